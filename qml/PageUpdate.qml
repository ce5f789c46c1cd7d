import QtQuick 2.12

// Firmware update (receiver first, then the mouse) and pairing a receiver over the cable.
Item {
    id: page
    width: 1060
    height: 640

    property int updateMode: 0
    property bool running: false
    // The program closes once the updater has ended: an exit was asked for during the update.
    property bool closing: false
    property real receiverBar: 0
    property real mouseBar: 0
    readonly property bool bothOnline: main.mouseOnlineDev !== 0 && main.dongleOnlineDev !== 0
    readonly property int barWidth: 260
    // An update is offered only with complete firmware folders for both steps.
    readonly property bool updateOffered: main.isNeedUpdateFw && bothOnline
                                          && ui_View.firmwareFolderReady(receiverFolder())
                                          && ui_View.firmwareFolderReady(mouseFolder())

    function txt(i) {
        return main.lang(main.pgUpdateLang, i)
    }

    function folder(name) {
        return ui_View.firmwareFolder(main.deviceStr, name)
    }

    function receiverFolder() {
        return folder((main.dongleOnlineDev & 0x01) ? "D1" : "D8")
    }

    function mouseFolder() {
        return folder((main.mouseOnlineDev & 0x01) ? "M1" : "M8")
    }

    function startUpdate() {
        if (!updateOffered || running)
            return
        running = true
        receiverBar = 0
        mouseBar = 0
        updateMode = 0
        ui_View.startFwUpdateEvent(receiverFolder())
    }

    // Called from the bridge's signals, so every name is qualified.
    function onProgress(value) {
        var w = Number(value) / 100 * page.barWidth
        if (page.updateMode === 0)
            page.receiverBar = w
        else
            page.mouseBar = w
    }

    function onFinished(bSuccess) {
        if (!page.running)
            return
        if (!bSuccess) {
            page.running = false
            ui_Ctl.showUpdateSuccess(false)
            // A bar left where the failed run stopped would tell of progress that did not hold.
            page.receiverBar = 0
            page.mouseBar = 0
        } else if (page.updateMode === 0) {
            page.updateMode = 1
            ui_View.startFwUpdateEvent(page.mouseFolder())
        } else {
            page.running = false
            ui_Ctl.showUpdateSuccess(true)
            page.receiverBar = 0
            page.mouseBar = 0
        }
    }

    function pair() {
        ui_Ctl.showPairSuccess(ui_View.startPairOnLine(main.deviceStr, main.dongleOnlineDev))
    }

    function headingState() {
        if (!main.isNeedUpdateFw)
            return page.txt(19)
        return page.txt(page.updateOffered ? 18 : 20)
    }

    function stateText(name, online) {
        return name + (online ? ": \u221A" : ": \u00D7")
    }

    // A Connections element ends with the page and copes with the view going first at shutdown.
    Connections {
        target: ui_View
        function onUpdateProgram(value) { page.onProgress(value) }
        function onUpdateFinished(bSuccess) { page.onFinished(bSuccess) }
    }

    LazyImage {
        anchors.fill: parent
        picture: main.img("PageUpdate", "bg")
    }
    SectionTitle { x: 24; y: 14; text: page.txt(0) }

    StepBadge { x: 40; y: 70; number: 1 }
    SectionTitle { x: 96; y: 76; text: page.txt(1) }
    SectionLabel { x: 40; y: 126; width: 460; wrapMode: Text.WordWrap; text: page.txt(7) }
    Row {
        x: 40
        y: 200
        spacing: 40
        Column {
            spacing: 12
            LazyImage { width: 160; height: 120; picture: main.img("PageUpdate", "mouse") }
            SectionLabel {
                objectName: "mouseState"
                text: page.stateText(page.txt(2), main.mouseOnlineDev !== 0)
            }
        }
        Column {
            spacing: 12
            LazyImage { width: 160; height: 120; picture: main.img("PageUpdate", "receiver") }
            SectionLabel {
                objectName: "receiverState"
                text: page.stateText(page.txt(3), main.dongleOnlineDev !== 0)
            }
        }
    }
    SectionLabel { x: 40; y: 440; width: 460; wrapMode: Text.WordWrap; text: page.txt(11); visible: page.bothOnline }
    TextButton {
        objectName: "pairButton"
        x: 40
        y: 500
        visible: page.bothOnline
        enabled: !page.running
        text: page.txt(6)
        onClicked: page.pair()
    }

    StepBadge { x: 560; y: 70; number: 2 }
    SectionTitle {
        objectName: "updateHeading"
        x: 616
        y: 76
        width: 420
        wrapMode: Text.WordWrap
        text: page.txt(4) + (page.bothOnline ? " - " + page.headingState() : "")
    }
    SectionLabel { x: 560; y: 160; text: page.txt(9) }
    UpdateBar { x: 560; y: 196; fill: page.receiverBar }
    SectionLabel { x: 560; y: 236; text: page.txt(10) }
    UpdateBar { x: 560; y: 272; fill: page.mouseBar }
    SectionLabel { x: 560; y: 320; width: 460; wrapMode: Text.WordWrap; text: page.txt(16); visible: page.running }
    SectionLabel {
        objectName: "closingNote"
        x: 560
        y: 400
        width: 460
        wrapMode: Text.WordWrap
        text: page.txt(21)
        visible: page.closing
    }
    TextButton {
        objectName: "updateButton"
        x: 560
        y: 500
        visible: page.updateOffered
        enabled: !page.running
        text: page.txt(5)
        onClicked: page.startUpdate()
    }
}
