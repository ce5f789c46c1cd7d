import QtQuick 2.12

// The settings panel: what each section stores, the device commands, text sizes, re-reading.
SceneTestCase {
    name: "Settings"

    function openPanel(fromMain) {
        ui_View.setResult("getAppDataList", [0, 1, 1, 2])
        if (fromMain)
            openDevice(table0({}), table1({ 4: 4 }))
        else {
            online([])
            scene.initUI()
        }
        scene.apSetting.open(fromMain)
        ui_View.reset()
        return scene.apSetting
    }

    function test_unsaved_settings_are_said() {
        openPanel(true)
        ui_View.settingsNotSaved()
        compare(ui_Ctl.calls("msgbox"), [["PageMain/20", "PageMain/21", true]])
    }

    function test_each_section_saves_with_its_mode() {
        var p = openPanel(true)
        p.setHideApMode(true)
        p.setStartUp(false)
        p.setProfile(2)
        p.setLang(1)
        compare(ui_View.calls("saveAppDataList"), [
            ["Setting/data", [1, 1, 1, 2], 0],
            ["Setting/data", [1, 0, 1, 2], 1],
            ["Setting/data", [1, 0, 2, 2], 2],
            ["Setting/data", [1, 0, 2, 1], 3]])
    }

    function test_profile_change_sends_the_profile_and_rereads_on_close() {
        var p = openPanel(true)
        p.setProfile(1)
        compare(writes(), [[0x01, 0, 0, 1, 0, 0, 0]])
        compare(ui_View.calls("syncFwData_Table0"), [])
        ui_View.setResult("syncFwData_Table0", table0({ 8: 77 }))
        ui_View.setResult("syncFwData_Table1", table1({}))
        mouseClick(findChild(scene, "settingClose"))
        compare(ui_View.calls("syncFwData_Table0").length, 1)
        compare(ui_View.calls("connectCurrentDevice"), [], "a re-read keeps the selected device")
        compare(scene.batteryLevel, 77)
        compare(p.isOpen, false)
    }

    function test_device_action() {
        var p = openPanel(true)
        verify(findChild(scene, "deviceAction").visible)
        verify(findChild(scene, "profileList").visible)
        p.deviceAction()
        compare(writes(), [[0x0a, 0xff, 0, 0, 0, 0, 0]])
        p.close()
        compare(ui_View.calls("syncFwData_Table0").length, 1)
        p.open(true)
        p.close()
        compare(ui_View.calls("syncFwData_Table0").length, 1, "nothing marked, nothing read")
    }

    function test_start_page_panel_has_no_device_sections() {
        openPanel(false)
        verify(!findChild(scene, "deviceAction").visible)
        verify(!findChild(scene, "profileList").visible)
    }

    function test_failed_start_up_shows_off() {
        var p = openPanel(false)
        ui_View.setResult("saveAppDataList", false)
        p.setStartUp(true)
        compare(p.isStartUp, false)
    }

    function test_small_text_while_open() {
        var p = openPanel(false)
        compare(scene.fontNormalSize, 14)
        compare(scene.fontTitleSize, 18)
        p.close()
        compare(scene.fontNormalSize, 18, "English returns to the normal set")
        p.open(false)
        p.setLang(0)
        compare(scene.fontNormalSize, 14)
        compare(ui_Ctl.calls("getLangStrings").slice(-6).map(function (c) { return c[1] }),
                ["0", "0", "0", "0", "0", "0"])
        p.close()
        compare(scene.fontNormalSize, 14, "Russian keeps the small set")
        compare(scene.fontTitleSize, 18)
    }

    function test_open_panel_blocks_the_pages() {
        var p = openPanel(true)
        compare(scene.pageDpi.enabled, false)
        p.close()
        compare(scene.pageDpi.enabled, true)
    }
}
