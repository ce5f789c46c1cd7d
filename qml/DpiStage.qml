import QtQuick 2.12

// One DPI level tile: its number, value and indicator colour.
PngPushButton {
    id: stage
    property int level: 0
    property bool selected: false
    property int value: 0
    property color dotColor: "#ffffff"
    property string label: ""

    width: 110
    height: 70
    srcs: main.btnImgs("PageDpi", "stage")
    isHold: selected

    Rectangle {
        x: 10
        y: 10
        width: 12
        height: 12
        radius: 6
        color: stage.dotColor
    }
    Text {
        x: 28
        y: 6
        text: stage.label
        color: stage.selected ? main.selectColor : main.baseColor
        font.family: main.fontFamily
        font.pixelSize: Math.max(main.fontNormalSize - 4, main.textFloor)
    }
    Text {
        anchors.horizontalCenter: parent.horizontalCenter
        y: 34
        text: stage.value
        color: stage.selected ? main.colorHightLight : main.selectColor
        font.family: main.fontFamily
        font.pixelSize: main.fontTitleSize
        font.bold: true
    }
}
