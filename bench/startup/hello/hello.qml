import QtQuick 2.12

Rectangle {
    color: "#202020"
    Text {
        anchors.centerIn: parent
        text: "Hello"
        color: "white"
        font.pixelSize: 24
    }
}
