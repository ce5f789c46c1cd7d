import QtQuick 2.12

// The update page: receiver first, then the mouse; progress bars; failures; pairing.
SceneTestCase {
    name: "Update"
    readonly property string dev: "NORVIK GAMING Quillex"

    function updatePage(mid, did, needed, foldersReady) {
        ui_View.setResult("connectCurrentDevice", needed)
        ui_View.setResult("firmwareFolderReady", foldersReady === undefined ? true : foldersReady)
        openDevice(table0({}), table1({ 4: 4 }), mid, did)
        scene.currentPage = 4
        return scene.pageUpdate
    }

    function folders() {
        return ui_View.calls("startFwUpdateEvent").map(function (c) { return c[0] })
    }

    function test_receiver_then_mouse() {
        var p = updatePage(2, 2, true)
        verify(findChild(scene, "updateButton").visible)
        p.startUpdate()
        compare(folders(), ["fw/" + dev + "/D8/"])
        ui_View.updateProgram(50)
        compare(findChild(p, "barFill").width, 130)
        compare(p.receiverBar, 130)
        compare(p.mouseBar, 0)
        ui_View.updateFinished(true)
        compare(folders(), ["fw/" + dev + "/D8/", "fw/" + dev + "/M8/"])
        ui_View.updateProgram(100)
        compare(p.mouseBar, 260)
        compare(p.receiverBar, 130)
        ui_View.updateFinished(true)
        compare(ui_Ctl.calls("showUpdateSuccess"), [[true]])
        compare(p.receiverBar, 0)
        compare(p.mouseBar, 0)
    }

    function test_1k_folders() {
        var p = updatePage(1, 3, true)
        p.startUpdate()
        ui_View.updateFinished(true)
        compare(folders(), ["fw/" + dev + "/D1/", "fw/" + dev + "/M1/"])
    }

    function test_failure_stops_after_the_receiver() {
        var p = updatePage(2, 1, true)
        p.startUpdate()
        ui_View.updateProgram(90)
        ui_View.updateFinished(false)
        compare(folders(), ["fw/" + dev + "/D1/"])
        compare(ui_Ctl.calls("showUpdateSuccess"), [[false]])
        // The bar does not keep showing progress that did not hold.
        compare(p.receiverBar, 0)
    }

    function test_needs_both_devices() {
        var p = updatePage(2, 0, true)
        verify(!findChild(scene, "updateButton").visible)
        p.startUpdate()
        compare(folders(), [])
        verify(!findChild(scene, "pairButton").visible)
        compare(findChild(scene, "mouseState").text, "PageUpdate/2: \u221A")
        compare(findChild(scene, "receiverState").text, "PageUpdate/3: \u00D7")
        compare(findChild(scene, "updateHeading").text, "PageUpdate/4")
    }

    function test_no_update_without_complete_firmware_folders() {
        var p = updatePage(2, 2, true, false)
        compare(ui_View.calls("firmwareFolderReady")[0], ["fw/" + dev + "/D8/"])
        verify(!findChild(scene, "updateButton").visible)
        compare(findChild(scene, "updateHeading").text, "PageUpdate/4 - PageUpdate/20")
        p.startUpdate()
        compare(folders(), [])
    }

    function test_exit_during_the_update_keeps_its_progress_in_view() {
        var p = updatePage(2, 2, true)
        p.startUpdate()
        ui_View.updateProgram(40)
        scene.currentPage = 1
        scene.apSetting.open(true)
        verify(!findChild(scene, "closingNote").visible)
        scene.showUpdateUntilDone()
        compare(scene.currentPage, 4)
        verify(!scene.apSetting.isOpen)
        verify(findChild(scene, "closingNote").visible)
        compare(findChild(scene, "closingNote").text, "PageUpdate/21")
        compare(p.receiverBar, 104)
    }

    function test_button_hidden_when_up_to_date() {
        updatePage(2, 2, false)
        verify(!findChild(scene, "updateButton").visible)
        compare(findChild(scene, "updateHeading").text, "PageUpdate/4 - PageUpdate/19")
        scene.isNeedUpdateFw = true
        compare(findChild(scene, "updateHeading").text, "PageUpdate/4 - PageUpdate/18")
    }

    function test_pairing_over_the_cable() {
        updatePage(2, 1, false)
        ui_View.setResult("startPairOnLine", true)
        waitForRendering(scene)
        tryCompare(scene.env, "visible", false)
        mouseClick(findChild(scene, "pairButton"))
        compare(ui_View.calls("startPairOnLine"), [[dev, 1]])
        compare(ui_Ctl.calls("showPairSuccess"), [[true]])
    }
}
