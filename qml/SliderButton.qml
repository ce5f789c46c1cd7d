import QtQuick 2.12

// The DPI slider: the knob's position gives the value, rounded down to a multiple of 100.
Item {
    id: slider
    property int value: 200
    readonly property int minX: -7
    readonly property int maxX: 754
    property bool dragging: knobArea.drag.active
    signal valueChange(int value)

    width: 761
    height: 26

    function valueAt(x) {
        var v = Math.floor(((x + 7) * 24000 / 707 + 200) / 100) * 100
        return Math.max(200, Math.min(26000, v))
    }

    function positionOf(v) {
        return Math.max(minX, Math.min(maxX, Math.ceil((v - 200) * 707 / 24000) - 7))
    }

    // Places the knob for a value coming from the device or a stage change.
    function setValue(v) {
        knob.x = positionOf(v)
        value = valueAt(knob.x)
    }

    LazyImage {
        id: groove
        anchors.verticalCenter: parent.verticalCenter
        width: parent.width
        height: 6
        picture: "file:modules/img/GlobalModule/slider_groove.png"
    }
    Rectangle {
        anchors.verticalCenter: groove.verticalCenter
        height: 4
        width: knob.x + 7
        color: "#e4002b"
        radius: 2
    }
    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: {
            clickMove.to = Math.max(slider.minX, Math.min(slider.maxX, mouse.x - 7))
            clickMove.restart()
        }
    }
    NumberAnimation {
        id: clickMove
        target: knob
        property: "x"
        duration: 120
        onStopped: slider.valueChange(slider.value)
    }
    LazyImage {
        id: knob
        x: -7
        width: 14
        height: 26
        picture: "file:modules/img/GlobalModule/slider_knob.png"
        onXChanged: slider.value = slider.valueAt(x)
        MouseArea {
            id: knobArea
            anchors.fill: parent
            anchors.margins: -6
            cursorShape: Qt.PointingHandCursor
            drag.target: knob
            drag.axis: Drag.XAxis
            drag.minimumX: slider.minX
            drag.maximumX: slider.maxX
            onReleased: slider.valueChange(slider.value)
        }
    }
}
