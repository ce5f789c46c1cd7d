import QtQuick 2.12

// One card of the start page: the device string and what is online of it.
Item {
    id: card
    property string deviceName: ""
    property int mouseFlag: 0
    property int dongleFlag: 0
    signal clicked()

    width: 290
    height: 375

    LazyImage {
        anchors.fill: parent
        picture: main.img("GlobalModule", area.pressed ? "card_press" : (area.containsMouse ? "card_hover" : "card_normal"))
    }
    LazyImage {
        anchors.horizontalCenter: parent.horizontalCenter
        y: 50
        width: 200
        height: 180
        picture: main.img("GlobalModule", "card_mouse")
    }
    Row {
        anchors.horizontalCenter: parent.horizontalCenter
        y: 250
        spacing: 14
        LazyImage {
            objectName: "receiverIcon"
            visible: card.dongleFlag !== 0
            width: 40
            height: 40
            picture: main.img("GlobalModule", "icon_receiver")
        }
        LazyImage {
            objectName: "cableIcon"
            visible: card.mouseFlag !== 0
            width: 40
            height: 40
            picture: main.img("GlobalModule", "icon_cable")
        }
        LazyImage {
            objectName: "icon8k"
            visible: card.mouseFlag === 2 || (card.dongleFlag & 0x02) !== 0
            width: 40
            height: 40
            picture: main.img("GlobalModule", "icon_8k")
        }
    }
    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        y: 315
        width: parent.width - 30
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.WordWrap
        text: card.deviceName
        color: area.containsMouse ? main.selectColor : main.baseColor
        font.family: main.fontFamily
        font.pixelSize: main.fontNormalSize
    }
    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: card.clicked()
    }
}
