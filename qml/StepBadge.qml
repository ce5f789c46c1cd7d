import QtQuick 2.12

// Round badge with a step number.
LazyImage {
    property int number: 1
    width: 40
    height: 40
    picture: main.img("PageUpdate", "step_badge")
    Text {
        anchors.centerIn: parent
        text: parent.number
        color: main.selectColor
        font.family: main.fontFamily
        font.pixelSize: main.fontTitleSize
        font.bold: true
    }
}
