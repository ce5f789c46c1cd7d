import QtQuick 2.12

// The main page frame: draggable background, page navigation and the status row.
Item {
    id: frame
    readonly property var navIcons: ["nav_dpi", "nav_key", "nav_macro", "nav_led", "nav_update"]

    LazyImage {
        anchors.fill: parent
        picture: main.img("PageMain", "bg")
    }
    MouseArea {
        anchors.fill: parent
        onPressed: ui_Ctl.setMoveWindow()
        onPositionChanged: ui_Ctl.moveWindow()
    }
    LazyImage {
        x: 20
        y: 10
        width: 160
        height: 40
        picture: main.img("PageMain", "logo")
    }

    Column {
        id: nav
        x: 20
        y: 110
        spacing: 28
        enabled: main.isMacroLock && !apSetting.isOpen
        Repeater {
            model: 5
            delegate: Item {
                width: 170
                height: 48
                Rectangle {
                    x: -20
                    width: 4
                    height: parent.height
                    color: main.colorHightLight
                    visible: main.currentPage === index
                }
                PngPushButton {
                    objectName: "nav" + index
                    width: 48
                    height: 48
                    srcs: main.btnImgs("PageMain", frame.navIcons[index])
                    isHold: main.currentPage === index
                    isShowTxtMode: 2
                    textWidth: parent.width - width - 12 // stays inside the navigation strip
                    text: main.lang(main.mainLang, 1 + index)
                    fontFamily: main.fontFamily
                    fontSize: main.fontNormalSize
                    onClicked: main.showPage(index)
                }
            }
        }
    }

    StatusRow {
        anchors.right: parent.right
        anchors.rightMargin: 16
        y: 16
        showDeviceState: true
    }
}
