import QtQuick 2.12
import "DeviceMap.js" as Map

// The settings panel: close behaviour, start-up, profile, language and the device action.
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
        save(3)
    }

    function deviceAction() {
        send(Map.resetWrite())
        needReRead = true
    }

    function txt(i) {
        return main.lang(main.mainLang, i)
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
            SectionLabel {
                objectName: "aboutLine"
                // Empty until the language file is read; arg() would warn about it.
                text: panel.txt(27) ? panel.txt(27).arg(ui_Ctl.programVersion) : ""
            }
        }
    }
}
