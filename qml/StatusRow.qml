import QtQuick 2.12

// Connection, battery and window buttons in the top right corner.
Row {
    id: row
    property bool showDeviceState: true
    spacing: 12

    LazyImage {
        visible: row.showDeviceState
        width: 28
        height: 28
        picture: main.img("PageMain", main.mouseOnlineDev !== 0 ? "cable_on" : "cable_off")
    }
    LazyImage {
        visible: row.showDeviceState
        width: 28
        height: 28
        objectName: "statusReceiver"
        picture: main.img("PageMain", main.isBusy ? "receiver_busy"
                                                 : main.dongleOnlineDev !== 0 ? "receiver_on" : "receiver_off")
    }
    Item {
        visible: row.showDeviceState
        width: 40
        height: 28
        LazyImage {
            anchors.verticalCenter: parent.verticalCenter
            width: 40
            height: 20
            picture: main.img("PageMain", "battery")
            Rectangle {
                objectName: "batteryBar"
                x: 5
                y: 5
                height: 10
                width: 27 * main.batteryLevel / 100
                color: main.batteryLevel <= 20 ? main.colorHightLight : main.baseColor
            }
        }
    }
    LazyImage {
        visible: row.showDeviceState
        anchors.verticalCenter: parent.verticalCenter
        width: 2
        height: 24
        picture: main.img("PageMain", "separator")
    }
    PngPushButton {
        objectName: "settingsButton"
        width: 28
        height: 28
        srcs: main.btnImgs("PageMain", "setting")
        onClicked: apSetting.open(main.deviceStr !== "")
    }
    PngPushButton {
        width: 28
        height: 28
        srcs: main.btnImgs("PageMain", "min")
        onClicked: ui_Ctl.onHideWindow()
    }
    PngPushButton {
        width: 28
        height: 28
        objectName: "closeButton"
        srcs: main.btnImgs("PageMain", "close")
        onClicked: ui_Ctl.onCloseWindow()
    }
}
