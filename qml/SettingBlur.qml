import QtQuick 2.12

// Blurred copy of the scene behind the settings panel. The software renderer has no shader
// effects, so it gets a dark veil instead.
Item {
    id: blur
    property Item source

    Loader {
        anchors.fill: parent
        active: blur.visible && GraphicsInfo.api !== GraphicsInfo.Software
        source: active ? "BlurredCopy.qml" : ""
    }
    Rectangle {
        anchors.fill: parent
        radius: 12
        color: "#000000"
        opacity: 0.45
    }
}
