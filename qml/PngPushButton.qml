import QtQuick 2.12

// A button drawn from four pictures: [normal, hover, hover, held].
Item {
    id: btn
    property var srcs: ["", "", "", ""]
    property string text: ""
    property bool isHold: false
    property bool checkable: false
    property bool checked: false
    property int isShowTxtMode: 0 // 0 centred, 1 below, 2 to the right
    property int fontSize: 18
    property string fontFamily: "times new roman"
    property real textWidth: 0 // > 0: the label shrinks, then elides, to fit this width
    readonly property bool hovered: area.containsMouse
    readonly property bool pressed: area.pressed
    signal clicked()

    implicitWidth: img.implicitWidth > 0 ? img.implicitWidth : 120
    implicitHeight: img.implicitHeight > 0 ? img.implicitHeight : 36

    function pictureIndex() {
        if (checkable)
            return checked ? 3 : ((pressed || hovered) ? 2 : 0)
        if (isHold)
            return pressed ? 2 : 3
        if (pressed)
            return 3
        return hovered ? 2 : 0
    }

    function textColor() {
        if (pressed || isHold || (checkable && checked))
            return "#e4002b"
        return hovered ? "#d9d9d9" : "#595959"
    }

    LazyImage {
        id: img
        anchors.fill: parent
        picture: btn.srcs.length > 3 ? btn.srcs[btn.pictureIndex()] : ""
        fillMode: Image.Stretch
        smooth: true
    }

    Text {
        id: label
        text: btn.text
        color: btn.enabled ? btn.textColor() : "#3a3a3a"
        font.family: btn.fontFamily
        font.pixelSize: btn.fontSize
        width: btn.textWidth > 0 ? btn.textWidth : implicitWidth
        fontSizeMode: btn.textWidth > 0 ? Text.HorizontalFit : Text.FixedSize
        minimumPixelSize: Math.min(12, btn.fontSize)
        elide: btn.textWidth > 0 ? Text.ElideRight : Text.ElideNone
        horizontalAlignment: btn.isShowTxtMode === 2 ? Text.AlignLeft : Text.AlignHCenter
        x: btn.isShowTxtMode === 2 ? btn.width + 12 : (btn.width - width) / 2
        y: btn.isShowTxtMode === 1 ? btn.height + 4 : (btn.height - height) / 2
    }

    // A label beside or below the picture is part of the button.
    MouseArea {
        id: area
        width: btn.isShowTxtMode === 2 && btn.text !== "" ? label.x + label.width : btn.width
        height: btn.isShowTxtMode === 1 && btn.text !== "" ? label.y + label.height : btn.height
        hoverEnabled: true
        cursorShape: Qt.PointingHandCursor
        onClicked: {
            if (btn.checkable)
                btn.checked = !btn.checked
            btn.clicked()
        }
    }
}
