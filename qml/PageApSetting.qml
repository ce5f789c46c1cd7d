import QtQuick 2.12
import "DeviceMap.js" as Map
import "SettingsDocument.js" as Settings

// The settings panel: close behaviour, start-up, profile, language, the device action and the
// settings file of the open device.
Item {
    id: panel
    property bool isOpen: false
    property bool fromMain: false
    property bool isHideApMode: false
    property bool isStartUp: false
    property int currentProfile: 0
    property int currentLang: 2
    property bool needReRead: false
    readonly property var langNames: ["Русский язык", "繁體中文", "English"]
    // The settings file's texts, read when the panel opens or changes the language.
    property var fileLang: []
    visible: isOpen || slide.running

    function loadSettings(hide, startUp, profile, language) {
        isHideApMode = hide
        isStartUp = startUp
        currentProfile = profile
        currentLang = language
    }

    function open(fromMainPage) {
        if (isOpen)
            return
        fromMain = fromMainPage
        isOpen = true
        loadFileTexts()
        main.setUiTxtSize(true)
        slide.duration = fromMainPage ? 600 : 500
        slide.from = panel.width
        slide.to = panel.width - body.width
        slide.restart()
    }

    function close() {
        if (!isOpen)
            return
        isOpen = false
        slide.stop()
        body.x = panel.width
        // A device that left meanwhile (the scene is back on the start page) is not read again.
        if (needReRead && main.deviceStr !== "")
            main.initDevice(0, 0, 0, 0, false)
        needReRead = false
        main.setUiTxtSize(currentLang === 0)
    }

    function dataList() {
        return [isHideApMode ? 1 : 0, isStartUp ? 1 : 0, currentProfile, currentLang]
    }

    function save(mode) {
        return ui_View.saveAppDataList("Setting/data", dataList(), mode)
    }

    function setHideApMode(hide) {
        isHideApMode = hide
        save(0)
    }

    function setStartUp(on) {
        isStartUp = on
        if (!save(1))
            isStartUp = false
    }

    function setProfile(profile) {
        currentProfile = profile
        save(2)
        send(Map.profileWrite(profile))
        needReRead = true
    }

    function send(w) {
        hid.hid_Send8ByteData(w[0], w[1], w[2], w[3], w[4], w[5], w[6])
    }

    function setLang(language) {
        currentLang = language
        main.currentLang = language
        // Texts first: a failed save is reported in the language just chosen.
        main.initUiString(language)
        loadFileTexts()
        save(3)
    }

    function loadFileTexts() {
        fileLang = ui_Ctl.getLangStrings("SettingsFile", String(currentLang))
    }

    function deviceAction() {
        send(Map.resetWrite())
        needReRead = true
    }

    function txt(i) {
        return main.lang(main.mainLang, i)
    }

    function fileTxt(i) {
        return main.lang(fileLang, i)
    }

    // Why a file could not be used, in the user's language where the program knows the reason.
    function fileProblem(result) {
        if (result.error === "notRegular")
            return fileTxt(17)
        if (result.error === "missing")
            return fileTxt(18)
        return result.reason
    }

    // The open device's tables as it holds them now, or null after saying they could not be read.
    function readTables() {
        var t0 = main.numbers(ui_View.syncFwData_Table0())
        if (!Map.tableValid(t0)) {
            ui_Ctl.showSyncFail()
            return null
        }
        return { t0: t0, t1: main.numbers(ui_View.syncFwData_Table1()) }
    }

    function exportSettings() {
        var path = ui_View.chooseSettingsFile(true, fileTxt(2), fileTxt(4))
        if (path === "")
            return
        var tables = readTables()
        if (!tables)
            return
        var made = Settings.fromDevice(tables.t0, tables.t1, ui_View.storedMacros(main.deviceStr))
        // A backup must restore: what no file can say is refused now, not when it is needed.
        if (!made.error) {
            var check = Settings.plan(made.document, Settings.deviceLimits(tables.t1, main.mouseOnlineDev,
                                                                           main.dongleOnlineDev))
            if (check.error)
                made = check
        }
        if (made.error) {
            ui_Ctl.msgbox(fileTxt(2), fileTxt(7).arg(made.error), true)
            return
        }
        var written = ui_View.writeSettingsFile(path, JSON.stringify(made.document, null, 4) + "\n")
        if (written.error)
            ui_Ctl.msgbox(fileTxt(2), fileTxt(6).arg(path).arg(fileProblem(written)), true)
        else
            ui_Ctl.msgbox(fileTxt(2), fileTxt(5).arg(currentProfile + 1).arg(path), false)
    }

    // { writes, macros, document } for the open device from the file at `path`, or { error }
    // saying why the file is refused.
    function importPlan(path, tables) {
        var file = ui_View.readSettingsFile(path)
        if (file.error === "tooLarge")
            return { error: fileTxt(11) }
        if (file.error)
            return { error: fileTxt(10).arg(fileProblem(file)) }
        var doc
        try {
            doc = JSON.parse(file.text)
        } catch (e) {
            return { error: fileTxt(12).arg(e.message) }
        }
        var result = Settings.plan(doc, Settings.deviceLimits(tables.t1, main.mouseOnlineDev,
                                                              main.dongleOnlineDev),
                                   ui_View.storedMacros(main.deviceStr))
        result.document = doc
        return result
    }

    // Writes the plan; the text of what the device refused, or "" when it took everything.
    function applyPlan(p) {
        for (var i = 0; i < p.writes.length; ++i) {
            var w = p.writes[i]
            if (!hid.hid_Send8ByteData(w[0], w[1], w[2], w[3], w[4], w[5], w[6]))
                return fileTxt(13)
        }
        for (var m = 0; m < p.macros.length; ++m) {
            var n = p.macros[m].number
            if (!ui_View.setOtherProperty(n - 1, { Actions: p.macros[m].actions, MacroId: n - 1,
                                                   Name: "" }, false))
                return fileTxt(14).arg(n)
        }
        return ""
    }

    function importSettings() {
        var path = ui_View.chooseSettingsFile(false, fileTxt(3), fileTxt(4))
        if (path === "")
            return
        var tables = readTables()
        if (!tables)
            return
        // Everything is checked before the first write: a file refused leaves the device as it was.
        var p = importPlan(path, tables)
        if (p.error) {
            ui_Ctl.msgbox(fileTxt(8), fileTxt(9).arg(path) + "\n\n" + p.error, true)
            return
        }
        // As on the key page, a mouse left without a left click is the user's choice only.
        if (!Settings.keepsLeftClick(p.document) && !ui_Ctl.confirm(fileTxt(3), fileTxt(16)))
            return
        // Macros are stored in the profile file of the device's current profile.
        ui_View.storedMacros(main.deviceStr)
        var refused = applyPlan(p)
        // Every page shows what the device holds now, the whole file or part of it.
        main.initDevice(0, 0, 0, 0, false)
        if (refused !== "")
            ui_Ctl.msgbox(fileTxt(3), refused, true)
        else
            ui_Ctl.msgbox(fileTxt(3), fileTxt(15).arg(path).arg(currentProfile + 1), false)
    }

    // Swallows clicks on the blurred scene while the panel is open.
    MouseArea {
        anchors.fill: parent
        enabled: panel.isOpen
    }

    Item {
        id: body
        x: panel.width
        width: 460
        height: panel.height
        NumberAnimation { id: slide; target: body; property: "x"; easing.type: Easing.OutCubic }

        MouseArea { anchors.fill: parent }
        LazyImage {
            anchors.fill: parent
            picture: main.img("GlobalModule", "setting_bg")
        }
        PngPushButton {
            objectName: "settingClose"
            x: body.width - 48
            y: 20
            width: 28
            height: 28
            srcs: main.btnImgs("PageMain", "close")
            onClicked: panel.close()
        }
        Column {
            x: 36
            y: 30
            spacing: 14
            SectionTitle { text: panel.txt(6) }
            Item { width: 1; height: 6 }
            SectionLabel { text: panel.txt(7) }
            OptionPair {
                objectName: "hideToTray"
                // Without a system tray the close button minimises instead of hiding; leaving
                // stays choosable.
                firstAvailable: ui_Ctl.trayAvailable
                names: [panel.txt(8), panel.txt(9)]
                first: panel.isHideApMode
                onChosen: panel.setHideApMode(isFirst)
            }
            SectionLabel { text: panel.txt(10) }
            OptionPair {
                names: [panel.txt(16), panel.txt(19)]
                first: panel.isStartUp
                onChosen: panel.setStartUp(isFirst)
            }
            SectionLabel { text: panel.txt(11); visible: panel.fromMain }
            FickList {
                objectName: "profileList"
                visible: panel.fromMain
                columns: 3
                itemWidth: 120
                model: ["1", "2", "3"]
                currentIndex: panel.currentProfile
                fontFamily: main.fontFamily
                fontSize: main.fontNormalSize
                onValueChange: panel.setProfile(index)
            }
            SectionLabel { text: panel.txt(15) }
            FickList {
                objectName: "langList"
                columns: 3
                itemWidth: 124
                model: panel.langNames
                currentIndex: panel.currentLang
                fontFamily: main.fontFamily
                fontSize: main.fontNormalSize
                onValueChange: panel.setLang(index)
            }
            SectionLabel { text: panel.txt(12); visible: panel.fromMain }
            SectionLabel {
                visible: panel.fromMain
                width: 390
                wrapMode: Text.WordWrap
                text: panel.txt(13)
            }
            TextButton {
                objectName: "deviceAction"
                visible: panel.fromMain
                text: panel.txt(14)
                onClicked: panel.deviceAction()
            }
            Row {
                visible: panel.fromMain
                spacing: 10
                TextButton {
                    objectName: "exportSettings"
                    width: 180
                    text: panel.fileTxt(0)
                    onClicked: panel.exportSettings()
                }
                TextButton {
                    objectName: "importSettings"
                    width: 180
                    text: panel.fileTxt(1)
                    onClicked: panel.importSettings()
                }
            }
            SectionLabel {
                objectName: "aboutLine"
                // Empty until the language file is read; arg() would warn about it.
                text: panel.txt(27) ? panel.txt(27).arg(ui_Ctl.programVersion) : ""
            }
        }
    }
}
