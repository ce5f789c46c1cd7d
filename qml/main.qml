import QtQuick 2.12
import "DeviceMap.js" as Map
// The view loads "qrc:qml/main.qml", a URL without a root slash, from which the engine cannot list
// this folder; importing it by its full URL makes the sibling files known as types.
import "qrc:/qml/"

// Root of the scene: start page, main page with its five pages, settings panel, and the three
// functions the native side calls by name.
Item {
    id: main
    width: 1280
    height: 720
    visible: false

    property string deviceStr: ""
    property int mouseOnlineDev: 0
    property int dongleOnlineDev: 0
    property bool isBusy: false
    property bool isInitUiStr: true
    property bool isNeedUpdateFw: false
    property bool isMacroLock: true
    property int layoutType: 2
    property real scaling: 1.0
    property string fontFamily: "times new roman"
    // The compact text set serves languages with long words and the settings panel.
    property bool compactText: false
    // The stage scales everything with the window: on small screens the sizes grow so that
    // body text never renders below 12 px.
    readonly property real textFloor: Math.ceil(12 / Math.max(stage.scale, 0.1) - 1e-6)
    property int fontNormalSize: Math.max(compactText ? 14 : 18, textFloor)
    property int fontTitleSize: Math.max(compactText ? 18 : 22, textFloor + 4)
    property string baseColor: "#d9d9d9"
    property string selectColor: "#ffffff"
    property string colorHightLight: "#e4002b"
    property var mainLang: blankList(20)
    property var pgSystemLang: blankList(20)
    property var pgKeyLang: blankList(40)
    property var pgMacroLang: blankList(20)
    property var pgLightLang: blankList(20)
    property var pgUpdateLang: blankList(22)

    // Set by the view while the window waits in the tray: every picture is let go meanwhile.
    property bool picturesReleased: false
    property int currentPage: 0
    property int currentLang: 2
    property int batteryLevel: 0
    property var deviceList: []
    readonly property string imgPath: "file:modules/img/"

    readonly property alias env: env
    readonly property alias mainPage: mainPage
    // Each page exists from its first visit on.
    readonly property Item pageDpi: pageDpiLoader.item
    readonly property Item pageKey: pageKeyLoader.item
    readonly property Item pageMacro: pageMacroLoader.item
    readonly property Item pageLed: pageLedLoader.item
    readonly property Item pageUpdate: pageUpdateLoader.item
    readonly property var pageLoaders: [pageMacroLoader, pageKeyLoader, pageDpiLoader, pageLedLoader,
                                        pageUpdateLoader]
    // The open device's tables as last read: a page created later fills itself from them.
    property var table0: []
    property var table1: []
    readonly property alias apSetting: apSetting

    function blankList(n) {
        var l = []
        for (var i = 0; i < n; ++i)
            l.push(" ")
        return l
    }

    function img(folder, name) {
        return imgPath + folder + "/" + name + ".png"
    }

    // Picture list of a three-state button: [normal, hover, hover, held].
    function btnImgs(folder, base) {
        var h = img(folder, base + "_hover")
        return [img(folder, base + "_normal"), h, h, img(folder, base + "_press")]
    }

    function lang(list, i) {
        return i < list.length ? list[i] : ""
    }

    // Table images and event bytes as plain numbers, whatever variant type carried them.
    function numbers(list) {
        return Array.prototype.map.call(list || [], Number)
    }

    function initUI() {
        if (isInitUiStr) {
            var data = ui_View.getAppDataList("Setting/data") || []
            var v = function (i) { return i < data.length ? Number(data[i]) : 0 }
            apSetting.loadSettings(v(0) > 0, v(1) > 0, v(2), v(3))
            currentLang = v(3)
            initUiString(currentLang)
            setUiTxtSize(currentLang === 0)
            if (settingsKeptAs.length > 0)
                Qt.callLater(sayWhereSettingsAreKept)
        }
        visible = true
        mouseOnlineDev = 0
        dongleOnlineDev = 0
        isBusy = false

        var list = []
        var count = Number(hid.hid_GetDeviceStrCount())
        for (var i = 0; i < count; ++i) {
            var entry = ui_View.initDeviceOnline(i)
            var str = entry[0]
            var suffix = entry.length > 1 ? entry[1] : ""
            var m = suffix === "M1K" ? 1 : (suffix === "M8K" ? 2 : 0)
            var d = suffix === "D1K" ? 1 : (suffix === "D8K" ? 2 : 0)
            var last = list.length > 0 ? list[list.length - 1] : null
            if (last === null || last[0] !== str) {
                list.push([str, m, d])
            } else {
                if (last[1] === 0)
                    last[1] = m
                if (last[2] === 0)
                    last[2] = d
            }
        }
        deviceList = list
        env.initUI(list)

        if (deviceStr === "")
            return
        for (var k = 0; k < list.length; ++k) {
            if (list[k][0] === deviceStr) {
                mouseOnlineDev = list[k][1]
                dongleOnlineDev = list[k][2]
                // The open device is read again: it may have been replugged or changed
                // meanwhile, and its pages show what it holds now.
                initDevice(k, deviceStr, mouseOnlineDev, dongleOnlineDev, true)
                if (pageDpi)
                    pageDpi.resetRateShow()
                return
            }
        }
        env.showMainPage()
    }

    function initDevice(index, Str, Mid, Did, isDeviceChange) {
        if (isDeviceChange) {
            deviceStr = Str
            mouseOnlineDev = Mid
            dongleOnlineDev = Did
            isNeedUpdateFw = ui_View.connectCurrentDevice(Str, Mid, Did)
        }
        var t0 = numbers(ui_View.syncFwData_Table0())
        if (Map.tableValid(t0)) {
            table0 = t0
            table1 = numbers(ui_View.syncFwData_Table1())
            // Pages that exist show the tables just read; notifications older than them are moot.
            var existing = pageLoaders.filter(function (l) { return l.item !== null })
            pageLoaders.forEach(function (l) { l.missed = {} })
            // Showing the main page creates its current page, which fills itself.
            env.hideMainPage()
            existing.forEach(function (l) { fillPage(l.item) })
            batteryLevel = Map.tableBattery(table0)
        } else {
            // A device that could not be read is no open device. A first open leaves the start page
            // as it is; an open device failing its read again (a replug, a reset) goes back to it,
            // where its card opens it anew: its page would otherwise stay on a device nothing
            // follows any more.
            if (isDeviceChange) {
                deviceStr = ""
                if (mainPage.visible)
                    env.showMainPage()
            }
            ui_Ctl.showSyncFail()
        }
    }

    function setUiLayout(layouttype, scale) {
        layoutType = layouttype
        scaling = scale
        if (apSetting.isOpen)
            apSetting.close()
    }

    function syncFwData(byte0, byte1, byte2, byte3) {
        byte1 = Number(byte1)
        byte2 = Number(byte2)
        switch (Number(byte0)) {
        case 0x0b:
            pageDpiLoader.deliver(0x0b, byte1)
            break
        case 0x11:
            batteryLevel = Map.battery(byte1)
            break
        case 0x0f:
            isBusy = byte1 === 0
            break
        case 0x0a:
            pageLedLoader.deliver(0x0a, byte2)
            break
        case 0xf0:
            pageDpiLoader.deliver(0xf0, byte2)
            break
        }
    }

    function initUiString(index) {
        var code = String(index)
        mainLang = ui_Ctl.getLangStrings("PageMain", code)
        pgSystemLang = ui_Ctl.getLangStrings("PageSystem", code)
        pgKeyLang = ui_Ctl.getLangStrings("PageKey", code)
        pgMacroLang = ui_Ctl.getLangStrings("PageMacro", code)
        pgLightLang = ui_Ctl.getLangStrings("PageLight", code)
        pgUpdateLang = ui_Ctl.getLangStrings("PageUpdate", code)
        isInitUiStr = false
        pageLoaders.forEach(function (l) {
            if (l.item && l.item.initListStr)
                l.item.initListStr()
        })
    }

    // A page's texts and, with a device open, what the device holds.
    function fillPage(page) {
        if (!isInitUiStr && page.initListStr)
            page.initListStr()
        if (deviceStr !== "" && table0.length > 0 && page.initUI)
            page.initUI(table0, table1)
    }

    function setUiTxtSize(isMin) {
        compactText = isMin
    }

    // Settings that cannot be written are said once; the app goes on with them in memory.
    Connections {
        target: ui_View
        function onSettingsNotSaved() {
            ui_Ctl.msgbox(lang(mainLang, 20), lang(mainLang, 21), true)
        }
        function onSettingsSetAside(keptAs) {
            settingsKeptAs.push(keptAs)
            if (!isInitUiStr)
                Qt.callLater(sayWhereSettingsAreKept)
        }
    }

    // Damaged settings files moved aside, said once the texts are loaded.
    property var settingsKeptAs: []
    function sayWhereSettingsAreKept() {
        while (settingsKeptAs.length > 0)
            ui_Ctl.msgbox(lang(mainLang, 25), lang(mainLang, 26).arg(settingsKeptAs.shift()), true)
    }

    // An exit waits for the running update: its progress stays in view meanwhile.
    function showUpdateUntilDone() {
        if (apSetting.isOpen)
            apSetting.close()
        currentPage = 4
        if (pageUpdate)
            pageUpdate.closing = true
    }

    function setMainFouces() {
        mainPage.forceActiveFocus()
    }

    function showPage(n) {
        // A field being typed into commits now, on its own page, not later on another one.
        setMainFouces()
        if (n === currentPage || !isMacroLock)
            return
        if (n === 2 && pageMacro)
            pageMacro.syncUi()
        currentPage = n
    }

    // The view sizes the root to the window; the 1280x720 stage follows its height. On screens
    // wider than 16:9 the margins beside it stay dark and drag the window like the rest.
    Rectangle {
        anchors.fill: parent
        radius: 12
        color: "#141417"
        visible: stage.x > 0
        MouseArea {
            anchors.fill: parent
            onPressed: ui_Ctl.setMoveWindow()
            onPositionChanged: ui_Ctl.moveWindow()
        }
    }
    Item {
        id: stage
        width: 1280
        height: 720
        transformOrigin: Item.TopLeft
        scale: main.height > 0 ? main.height / 720 : 1
        x: (main.width - width * scale) / 2

        Item {
            id: content
            anchors.fill: parent

            MainPage {
                id: mainPage
                anchors.fill: parent
                visible: false
                PageLoader { id: pageDpiLoader; index: 0; sourceComponent: Component { PageDpi {} } }
                PageLoader { id: pageKeyLoader; index: 1; sourceComponent: Component { PageKey {} } }
                PageLoader { id: pageMacroLoader; index: 2; sourceComponent: Component { PageMacro {} } }
                PageLoader { id: pageLedLoader; index: 3; sourceComponent: Component { PageLed {} } }
                PageLoader { id: pageUpdateLoader; index: 4; sourceComponent: Component { PageUpdate {} } }
            }
            Environment {
                id: env
                anchors.fill: parent
            }
        }
        SettingBlur {
            source: content
            anchors.fill: parent
            visible: apSetting.isOpen
        }
        PageApSetting {
            id: apSetting
            anchors.fill: parent
        }
    }
}
