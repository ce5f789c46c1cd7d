import QtQuick 2.12

// A check-box picture in three states with its text.
Item {
    id: box
    property bool checked: false
    property string text: ""
    property int fontSize: 18
    property string fontFamily: "times new roman"
    property string path: "file:modules/img/GlobalModule/"
    signal btnClicked()

    implicitWidth: mark.width + label.implicitWidth + 10
    implicitHeight: Math.max(mark.height, label.implicitHeight)

    LazyImage {
        id: mark
        width: 22
        height: 22
        anchors.verticalCenter: parent.verticalCenter
        picture: box.path + (box.checked ? "check_checked" : (area.containsMouse ? "check_hover" : "check_normal")) + ".png"
    }
    Text {
        id: label
        anchors.left: mark.right
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        text: box.text
        color: box.checked ? "#ffffff" : "#d9d9d9"
        font.family: box.fontFamily
        font.pixelSize: box.fontSize
    }
    MouseArea {
        id: area
        anchors.fill: parent
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: box.btnClicked()
    }
}
