import QtQuick 2.12

// The start page: logo animation, one card per device, and the switch to and from the main page.
Item {
    id: env
    property var cards: []
    readonly property alias cardCount: cardRepeater.count

    function initUI(list) {
        cards = list
    }

    function cardClicked(index) {
        var c = cards[index]
        main.initDevice(index, c[0], c[1], c[2], true)
    }

    function showMainPage() {
        main.deviceStr = ""
        hideAnim.stop()
        visible = true
        showAnim.restart()
    }

    function hideMainPage() {
        showAnim.stop()
        mainPage.visible = true
        hideAnim.restart()
    }

    transformOrigin: Item.Center

    LazyImage {
        id: bg
        anchors.fill: parent
        opacity: 0
        // Unseen until the intro fades it in: decoded off the main thread meanwhile.
        asynchronous: intro.running
        picture: main.img("GlobalModule", "start_bg")
    }
    MouseArea {
        anchors.fill: parent
        onPressed: ui_Ctl.setMoveWindow()
        onPositionChanged: ui_Ctl.moveWindow()
    }
    LazyImage {
        id: logo
        anchors.centerIn: parent
        width: 480
        height: 140
        opacity: 0
        asynchronous: intro.running
        picture: main.img("GlobalModule", "logo")
    }
    SequentialAnimation {
        id: intro
        running: true
        NumberAnimation { target: logo; property: "opacity"; from: 0; to: 1; duration: 1000 }
        NumberAnimation { target: logo; property: "opacity"; to: 0; duration: 10 }
        NumberAnimation { target: bg; property: "opacity"; to: 1; duration: 200 }
    }

    Item {
        id: body
        anchors.fill: parent
        opacity: bg.opacity
        enabled: !apSetting.isOpen

        LazyImage {
            x: 30
            y: 20
            width: 160
            height: 40
            asynchronous: intro.running
            picture: main.img("PageMain", "logo")
        }
        Text {
            objectName: "noDeviceText"
            anchors.centerIn: parent
            visible: cardRepeater.count === 0
            text: main.lang(main.mainLang, 0)
            color: main.baseColor
            font.family: main.fontFamily
            font.pixelSize: main.fontTitleSize
        }
        Flickable {
            anchors.centerIn: parent
            width: Math.min(cardRow.width, 1220)
            height: 375
            contentWidth: cardRow.width
            boundsBehavior: Flickable.StopAtBounds
            clip: true
            Row {
                id: cardRow
                spacing: 30
                Repeater {
                    id: cardRepeater
                    model: env.cards
                    delegate: DeviceCard {
                        objectName: "card" + index
                        deviceName: modelData[0]
                        mouseFlag: modelData[1]
                        dongleFlag: modelData[2]
                        onClicked: env.cardClicked(index)
                    }
                }
            }
        }
    }

    StatusRow {
        anchors.right: parent.right
        anchors.rightMargin: 16
        y: 16
        showDeviceState: false
        opacity: bg.opacity
    }

    ParallelAnimation {
        id: showAnim
        NumberAnimation { target: env; property: "scale"; from: 3; to: 1; duration: 300 }
        NumberAnimation { target: env; property: "opacity"; from: 0; to: 1; duration: 300 }
        SequentialAnimation {
            NumberAnimation { target: mainPage; property: "opacity"; to: 0; duration: 100 }
            PropertyAction { target: mainPage; property: "visible"; value: false }
        }
    }
    SequentialAnimation {
        id: hideAnim
        ParallelAnimation {
            NumberAnimation { target: env; property: "scale"; from: 1; to: 3; duration: 300 }
            NumberAnimation { target: env; property: "opacity"; from: 1; to: 0; duration: 300 }
            NumberAnimation { target: mainPage; property: "scale"; from: 3; to: 1; duration: 300 }
            NumberAnimation { target: mainPage; property: "opacity"; from: 0; to: 1; duration: 300 }
        }
        PropertyAction { target: env; property: "visible"; value: false }
    }
}
