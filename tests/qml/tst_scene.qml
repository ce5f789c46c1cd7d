import QtQuick 2.12

// The root's functions: start-up, device list, opening a device, device events, navigation.
SceneTestCase {
    name: "Scene"
    readonly property string dev: "NORVIK GAMING Quillex"

    function test_initial_properties() {
        compare(scene.deviceStr, "")
        compare(scene.mouseOnlineDev, 0)
        compare(scene.dongleOnlineDev, 0)
        compare(scene.isBusy, false)
        compare(scene.isInitUiStr, true)
        compare(scene.isNeedUpdateFw, false)
        compare(scene.isMacroLock, true)
        compare(scene.layoutType, 2)
        compare(scene.scaling, 1.0)
        compare(scene.fontFamily, "times new roman")
        compare(scene.fontNormalSize, 18)
        compare(scene.fontTitleSize, 22)
        compare(scene.baseColor, "#d9d9d9")
        compare(scene.selectColor, "#ffffff")
        compare(scene.colorHightLight, "#e4002b")
        compare(scene.mainLang.length, 20)
        compare(scene.pgKeyLang.length, 40)
        compare(scene.pgUpdateLang[0], " ")
    }

    function test_first_initUI_loads_settings_and_strings() {
        ui_View.setResult("getAppDataList", [1, 0, 2, 0])
        online([])
        scene.initUI()
        compare(ui_View.calls("getAppDataList"), [["Setting/data"]])
        var sections = ui_Ctl.calls("getLangStrings").map(function (c) { return c[0] + ":" + c[1] })
        compare(sections, ["PageMain:0", "PageSystem:0", "PageKey:0", "PageMacro:0", "PageLight:0", "PageUpdate:0"])
        compare(scene.isInitUiStr, false)
        compare(scene.fontNormalSize, 14)
        compare(scene.fontTitleSize, 18)
        compare(scene.apSetting.isHideApMode, true)
        compare(scene.apSetting.currentProfile, 2)
        compare(scene.mainLang[0], "PageMain/0")
        verify(scene.visible)
        compare(findChild(scene, "noDeviceText").visible, true)

        scene.initUI()
        compare(ui_View.calls("getAppDataList").length, 1, "settings are read once")
        compare(ui_Ctl.calls("getLangStrings").length, 6)
    }

    function test_english_keeps_normal_text_sizes() {
        ui_View.setResult("getAppDataList", [0, 0, 0, 2])
        online([])
        scene.initUI()
        compare(scene.fontNormalSize, 18)
        compare(scene.fontTitleSize, 22)
    }

    // 1024x600 gives a 1024x576 window: the stage renders at 0.8, and no text below 12 px.
    function test_small_screens_keep_body_text_readable() {
        scene.height = 576
        for (var compact = 0; compact < 2; ++compact) {
            scene.setUiTxtSize(compact === 1)
            verify(scene.fontNormalSize * 0.8 >= 12, scene.fontNormalSize)
            verify(scene.fontTitleSize > scene.fontNormalSize)
        }
        scene.height = 720
        compare(scene.fontNormalSize, 14, "the design's sizes at full scale")
    }

    function test_device_list_first_flag_wins() {
        online([[dev, "M8K"], [dev, "D8K"], [dev, "D1K"]])
        scene.initUI()
        compare(scene.env.cardCount, 1)
        compare(scene.deviceList, [[dev, 2, 2]])
        var card = findChild(scene, "card0")
        verify(findChild(card, "receiverIcon").visible)
        verify(findChild(card, "cableIcon").visible)
        verify(findChild(card, "icon8k").visible)
    }

    function test_device_list_per_device_string() {
        online([["A", "M1K"], ["A", "D1K"], ["B", "D8K"], ["C", "X"]])
        scene.initUI()
        compare(scene.deviceList, [["A", 1, 1], ["B", 0, 2], ["C", 0, 0]])
        compare(scene.env.cardCount, 3)
        var a = findChild(scene, "card0")
        verify(!findChild(a, "icon8k").visible, "a 1K pair shows no 8K badge")
        verify(!findChild(findChild(scene, "card1"), "cableIcon").visible)
        compare(ui_View.calls("connectCurrentDevice"), [], "nothing is open")
    }

    function test_card_click_opens_the_device() {
        online([[dev, "M8K"], [dev, "D1K"]])
        ui_View.setResult("connectCurrentDevice", true)
        ui_View.setResult("syncFwData_Table0", table0({ 8: 120 }))
        ui_View.setResult("syncFwData_Table1", table1({}))
        scene.initUI()
        waitForRendering(scene)
        mouseClick(findChild(scene, "card0"))
        compare(ui_View.calls("connectCurrentDevice"), [[dev, 2, 1]])
        compare(scene.deviceStr, dev)
        compare(scene.isNeedUpdateFw, true)
        compare(ui_View.calls("syncFwData_Table1").length, 1)
        compare(scene.batteryLevel, 100)
        compare(ui_View.calls("getOtherProperty"), [], "the macro page is made on its first visit")
        visit(2)
        compare(ui_View.calls("getOtherProperty")[0], ["MACRO", "0", dev])
        tryCompare(scene.env, "visible", false)
        verify(scene.mainPage.visible)
        compare(ui_Ctl.calls("showSyncFail"), [])
    }

    function test_silent_device_keeps_the_start_page() {
        online([[dev, "M8K"]])
        ui_View.setResult("syncFwData_Table0", zeros(64))
        scene.initUI()
        scene.initDevice(0, dev, 2, 0, true)
        compare(ui_Ctl.calls("showSyncFail").length, 1)
        compare(ui_View.calls("syncFwData_Table1"), [])
        // No device counts as open: the start page's settings offer no device actions.
        compare(scene.deviceStr, "")
        wait(350)
        verify(scene.env.visible)
        verify(!scene.mainPage.visible)
    }

    function test_open_device_is_reselected_or_dropped() {
        online([[dev, "M8K"], [dev, "D8K"]])
        openDevice(table0({}), table1({}), 2, 2)
        ui_View.reset()
        online([[dev, "D8K"]])
        // Re-selected and read again: what it holds may have changed while it was away.
        ui_View.setResult("syncFwData_Table0", table0({ 8: 0x33 }))
        ui_View.setResult("syncFwData_Table1", table1({}))
        scene.initUI()
        compare(ui_View.calls("connectCurrentDevice"), [[dev, 0, 2]])
        compare(ui_View.calls("syncFwData_Table0").length, 1)
        compare(scene.mouseOnlineDev, 0)
        compare(scene.dongleOnlineDev, 2)
        compare(scene.deviceStr, dev)

        ui_View.reset()
        online([])
        scene.initUI()
        compare(ui_View.calls("connectCurrentDevice"), [])
        compare(scene.deviceStr, "", "back to the start page")
        verify(scene.env.visible)
        tryCompare(scene.mainPage, "visible", false)
    }

    function test_device_events() {
        openDevice(table0({}), table1({ 4: 4 }))
        scene.syncFwData(0x11, 120, 0, 0)
        compare(scene.batteryLevel, 100)
        scene.syncFwData(0x11, 42, 0, 0)
        compare(scene.batteryLevel, 42)
        var receiver = findChild(scene, "statusReceiver")
        scene.syncFwData(0x0f, 0, 0, 0)
        compare(scene.isBusy, true)
        verify(String(receiver.source).endsWith("/PageMain/receiver_busy.png"), receiver.source)
        scene.syncFwData(0x0f, 1, 0, 0)
        compare(scene.isBusy, false)
        verify(!String(receiver.source).endsWith("_busy.png"), receiver.source)
        scene.syncFwData(0x0b, 2, 0, 0)
        compare(scene.pageDpi.curLevel, 2)
        scene.syncFwData(0xf0, 0, 0x41, 0)
        compare(scene.pageDpi.ratePos, 5)
        scene.syncFwData(0xf0, 0, 0x33, 0)
        compare(scene.pageDpi.ratePos, 5, "an unknown rate code changes nothing")
        // The lighting page, not visited yet, shows the latest change once it is.
        scene.syncFwData(0x0a, 0, 4, 0)
        scene.syncFwData(0x0a, 1, 8, 0)
        compare(scene.pageLed, null)
        compare(visit(3).choice, 7)
        scene.syncFwData(0x0a, 0, 4, 0)
        compare(scene.pageLed.choice, 4)
        scene.syncFwData(0x42, 1, 2, 3)
        compare(writes(), [], "device events never write back")
    }

    // The open device fails its read after a replug: back to the start page, where its card
    // opens it again.
    function test_failed_reread_returns_to_the_start_page() {
        openDevice(table0({}), table1({}))
        tryCompare(scene.env, "visible", false)
        online([[dev, "M8K"]])
        ui_View.setResult("syncFwData_Table0", table0({ 9: 0 }))
        scene.initUI()
        compare(ui_Ctl.calls("showSyncFail").length, 1)
        compare(scene.deviceStr, "")
        tryCompare(scene.mainPage, "visible", false)
        verify(scene.env.visible)
        ui_View.setResult("syncFwData_Table0", table0({}))
        waitForRendering(scene)
        mouseClick(findChild(scene, "card0"))
        compare(scene.deviceStr, dev)
        tryCompare(scene.env, "visible", false)
    }

    function test_layout_closes_settings() {
        scene.apSetting.open(false)
        scene.setUiLayout(3, 0.666)
        compare(scene.layoutType, 3)
        compare(scene.scaling, 0.666)
        compare(scene.apSetting.isOpen, false)
    }

    function test_navigation() {
        online([[dev, "M8K"]])
        scene.initUI()
        openDevice(table0({}), table1({}))
        tryCompare(scene.env, "visible", false)
        waitForRendering(scene)
        mouseClick(findChild(scene, "nav3"))
        compare(scene.currentPage, 3)
        verify(scene.pageLed.visible)
        verify(!scene.pageDpi.visible)
        mouseClick(findChild(scene, "nav2"))
        compare(scene.currentPage, 2)
    }

    function test_status_row_and_drag() {
        scene.initUI()
        scene.batteryLevel = 50
        compare(findChild(scene.mainPage, "batteryBar").width, 13.5)
        scene.env.visible = false
        scene.mainPage.visible = true
        mousePress(scene.mainPage, 600, 30)
        mouseMove(scene.mainPage, 620, 40)
        mouseRelease(scene.mainPage, 620, 40)
        compare(ui_Ctl.calls("setMoveWindow").length, 1)
        verify(ui_Ctl.calls("moveWindow").length >= 1)
    }
}
