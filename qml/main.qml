import QtQuick 2.12

Item {
    id: main
    width: 1280
    height: 720

    property real scaling: 1.0
    property int layoutType: 2

    function initUI() {
    }

    function setUiLayout(layouttype, scale) {
        layoutType = layouttype
        scaling = scale
    }

    function syncFwData(byte0, byte1, byte2, byte3) {
    }

    Rectangle {
        anchors.fill: parent
        radius: 12
        color: "#1b1b1f"
        Text {
            anchors.centerIn: parent
            color: "#d9d9d9"
            text: "Quillex"
        }
    }
}
