import QtQuick 2.12

// The DPI, lighting and button pages: what they show from the tables and what they write.
SceneTestCase {
    name: "Pages"

    function test_dpi_level_value_both_ways() {
        openDevice(table0({ 2: 1 }), table1({ 4: 4, 14: 0x80, 15: 0x0C }))
        var dpi = scene.pageDpi
        compare(dpi.levelCount, 4)
        compare(dpi.dpiValues[2], 3200)
        compare(dpi.curLevel, 1)
        dpi.chooseLevel(2)
        compare(writes(), [[2, 1, 1, 2, 0, 0, 0]])
        compare(dpi.slider.value, 3200)
        hid.reset()
        dpi.slider.setValue(6400)
        dpi.slider.valueChange(dpi.slider.value)
        compare(writes(), [[3, 13, 2, 0x00, 0x19, 0, 0]])
        hid.reset()
        dpi.setDpiValue(3200)
        compare(writes(), [[3, 13, 2, 0x80, 0x0C, 0, 0]])
    }

    function test_slider_value_formula() {
        openDevice(table0({}), table1({ 4: 4 }))
        var s = scene.pageDpi.slider
        compare(s.valueAt(-7), 200)
        compare(s.valueAt(100), 3800)
        compare(s.valueAt(700), 24200)
        compare(s.valueAt(754), 26000)
        for (var v = 200; v <= 26000; v += 100)
            compare(s.valueAt(s.positionOf(v)), v)
    }

    function test_slider_click_writes_after_the_move() {
        openDevice(table0({}), table1({ 4: 4 }))
        tryCompare(scene.env, "visible", false)
        var s = scene.pageDpi.slider
        waitForRendering(scene)
        mouseClick(s, 107, 13)
        tryVerify(function () { return writes().length === 1 })
        compare(writes(), [[3, 9, 2, 0xD8, 0x0E, 0, 0]])
        compare(s.value, 3800)
    }

    function rateSetup(rateCode, flags, mid, did) {
        openDevice(table0({ 1: rateCode }), table1({ 4: 4, 3: flags }), mid, did)
        return scene.pageDpi
    }

    function test_rate_to_8k_rewrites_the_sensor_flags_first() {
        var dpi = rateSetup(0x01, 0x02 | 0x04 | 0x01, 2, 2)
        compare(dpi.ratePos, 3)
        dpi.rateList.valueChange(6)
        compare(writes(), [[3, 2, 1, 0x20 | 0x08 | 0x02 | 0x04, 0, 0, 0], [2, 0, 1, 0x81, 0, 0, 0]])
    }

    function test_rate_from_8k() {
        var dpi = rateSetup(0x81, 0x28, 2, 2)
        dpi.setRate(4)
        compare(writes(), [[3, 2, 1, 0x08 | 0x01, 0, 0, 0], [2, 0, 1, 0x21, 0, 0, 0]])
        hid.reset()
        dpi.setRate(5)
        compare(writes(), [[2, 0, 1, 0x41, 0, 0, 0]], "no flag write between 4 and 5")
        hid.reset()
        dpi.setRate(0)
        compare(writes(), [[3, 2, 1, 0x01, 0, 0, 0], [2, 0, 1, 0x08, 0, 0, 0]])
        hid.reset()
        dpi.setRate(2)
        compare(writes(), [[2, 0, 1, 0x02, 0, 0, 0]], "no flag write within 0-3")
        hid.reset()
        dpi.setRate(5)
        compare(writes(), [[3, 2, 1, 0x08 | 0x01, 0, 0, 0], [2, 0, 1, 0x41, 0, 0, 0]])
        hid.reset()
        dpi.setRate(6)
        compare(writes(), [[3, 2, 1, 0x28, 0, 0, 0], [2, 0, 1, 0x81, 0, 0, 0]])
        hid.reset()
        dpi.setRate(1)
        compare(writes(), [[3, 2, 1, 0x01, 0, 0, 0], [2, 0, 1, 0x04, 0, 0, 0]])
    }

    function test_1k_mouse_offers_four_rates() {
        var dpi = rateSetup(0x81, 0, 1, 1)
        compare(dpi.rateList.model, ["125 Hz", "250 Hz", "500 Hz", "1000 Hz"])
        compare(dpi.ratePos, 3, "a higher stored rate shows as the fourth")
        compare(writes(), [])
        dpi.setRate(6)
        compare(writes(), [])
        scene.mouseOnlineDev = 2
        compare(dpi.rateList.model.length, 7)
        scene.mouseOnlineDev = 0
        scene.dongleOnlineDev = 1
        compare(dpi.rateList.model.length, 4, "with no mouse the 1K receiver decides")
    }

    function test_sensor_switches_write_the_whole_byte() {
        var dpi = rateSetup(0x01, 0x20 | 0x04, 2, 2)
        verify(dpi.powerTurbo)
        verify(!dpi.workTurbo)
        verify(dpi.sw3)
        dpi.sw1 = true
        dpi.writeSensor()
        compare(writes(), [[3, 2, 1, 0x20 | 0x04 | 0x02, 0, 0, 0]])
    }

    function test_timing_lists() {
        openDevice(table0({}), table1({ 4: 4, 1: 5, 26: 2, 27: 18 }))
        var dpi = scene.pageDpi
        compare(dpi.liftDrop.model[dpi.liftDrop.currentIndex], "2 MM")
        compare(dpi.delayDrop.model[dpi.delayDrop.currentIndex], "5 MS")
        compare(dpi.sleepDrop.model[dpi.sleepDrop.currentIndex], "3 MIN")
        dpi.liftDrop.select(0)
        dpi.delayDrop.select(29)
        dpi.sleepDrop.select(7)
        compare(writes(), [[3, 25, 1, 1, 0, 0, 0], [3, 0, 1, 30, 0, 0, 0], [3, 26, 1, 180, 0, 0, 0]])
        compare([dpi.liftDrop.currentIndex, dpi.delayDrop.currentIndex], [0, 29])
        openDevice(table0({}), table1({ 4: 4, 27: 99 }))
        compare(dpi.sleepDrop.currentIndex, 7, "an unknown sleep value keeps the shown entry")
    }

    function test_lighting_read_back() {
        openDevice(table0({ 3: 2, 4: 153, 5: 7, 6: 3 }),
                   table1({ 4: 4, 62: 0x11, 63: 0x22, 64: 0x99, 65: 0x33 }))
        var led = visit(3)
        compare(led.modeList.currentIndex, 2)
        compare(led.brightList.currentIndex, 2)
        compare(led.speedList.currentIndex, 4)
        compare(led.slotColors[3], "#112233")
        compare(led.choice, 3)
        compare(led.channelEdit(0).text, "17")
        compare(led.channelEdit(2).text, "51")
        openDevice(table0({ 5: 5, 6: 8 }), table1({ 4: 4 }))
        compare(led.speedList.currentIndex, 3)
        compare(led.choice, 7)
        compare(led.channelEdit(1).text, "- - -")
    }

    function test_lighting_writes() {
        openDevice(table0({ 6: 1 }), table1({ 4: 4 }))
        var led = visit(3)
        led.chooseColor(7)
        led.chooseColor(3)
        led.setSlotColor(1, 2, 3)
        compare(writes(), [[2, 5, 1, 8, 0, 0, 0], [2, 5, 1, 3, 0, 0, 0], [3, 61, 3, 1, 2, 3, 0]])
        hid.reset()
        led.typeChannel(0, "300")
        compare(led.rgb, [255, 2, 3])
        compare(led.channelEdit(0).text, "255")
        compare(writes(), [], "typed values stay on screen")
    }

    function slotBytes(set, slot, code, p1, p2, type) {
        set[78 + 4 * slot] = code
        set[79 + 4 * slot] = p1
        set[80 + 4 * slot] = p2
        set[81 + 4 * slot] = type
        return set
    }

    function test_button_slots_from_the_table() {
        var t = { 4: 4 }
        slotBytes(t, 0, 0xF0, 0, 0, 0x02)
        slotBytes(t, 1, 0xCD, 0, 0, 0x03)
        slotBytes(t, 2, 0x04, 0x05, 0x06, 0x01)
        slotBytes(t, 3, 0x02, 0, 0x01, 0x05)
        slotBytes(t, 4, 0x00, 0, 0, 0x0C)
        slotBytes(t, 5, 0x01, 0, 0, 0x0B)
        slotBytes(t, 6, 0x00, 0, 0, 0x77)
        openDevice(table0({}), table1(t))
        compare(visit(1).slots, ["00020000f0", "31030000cd", "1001060504", "2005010002",
                                      "400c020af0", "050b000001", "08f0020003"])
    }

    function test_button_assignment_writes() {
        openDevice(table0({}), table1({ 4: 4 }))
        var key = visit(1)
        key.selectSlot(1)
        key.curGroup = 3
        key.assignFixed(7)
        compare(writes(), [[3, 80, 4, 0xE9, 0, 0, 0x03]])
        hid.reset()
        scene.currentPage = 1
        key.selectSlot(2)
        ui_Ctl.evtHidKeyboardKey(0xE0, true)
        key.keyPicker.capturing = true
        key.curGroup = 1
        ui_Ctl.evtHidKeyboardKey(0xE0, true)
        ui_Ctl.evtHidKeyboardKey(0x06, true)
        ui_Ctl.evtHidKeyboardKey(0x06, false)
        compare(key.keyPicker.codes, [0xE0, 0x06, 0])
        key.keyPicker.apply(key.keyPicker.codes)
        compare(writes(), [[3, 84, 4, 0, 0x06, 0xE0, 0x01]])
        compare(key.slotName(key.slots[2]), "PageKey/38: L Ctrl + C")
        compare(ui_Ctl.calls("msgboxKey"), [])
    }

    function keyPageUploads() {
        return ui_View.calls("setOtherProperty").filter(function (c) { return c[2] === true })
    }

    function test_macro_button_is_written_only_after_its_upload() {
        openDevice(table0({}), table1({ 4: 4 }))
        var key = visit(1)
        key.selectSlot(3)
        var before = key.slots[3]
        ui_View.setResult("setOtherProperty", false)
        verify(!key.assignMacro(4, false))
        compare(keyPageUploads(), [[4, [], true]])
        compare(writes(), [], "the binding stays")
        compare(key.slots[3], before)
        compare(ui_Ctl.calls("msgbox"), [["PageKey/23", "PageKey/40", false]])

        ui_View.setResult("setOtherProperty", true)
        ui_Ctl.reset()
        verify(key.assignMacro(4, true))
        compare(keyPageUploads().length, 2)
        compare(writes(), [[3, 88, 4, 0x04, 0, 0x03, 0x05]])
        compare(key.slots[3], "2005030004")
        compare(ui_Ctl.calls("msgbox"), [])

        hid.reset()
        verify(!key.assignMacro(-1, false), "nothing chosen")
        compare(keyPageUploads().length, 2)
        compare(writes(), [])
        compare(key.slots[3], "2005030004")
        compare(ui_Ctl.calls("msgbox"), [["PageKey/23", "PageKey/25", false]])
    }

    function test_last_left_click_needs_confirmation() {
        openDevice(table0({}), table1({ 4: 4 }))
        var key = visit(1)
        key.selectSlot(0)
        ui_Ctl.setResult("msgboxKey", false)
        verify(!key.assignFixed(1))
        compare(ui_Ctl.calls("msgboxKey").length, 1)
        compare(writes(), [])
        compare(key.slots[0], "00020000f0")
        ui_Ctl.setResult("msgboxKey", true)
        verify(key.assignFixed(1))
        compare(writes(), [[3, 76, 4, 0xF1, 0, 0, 0x02]])
        hid.reset()
        ui_Ctl.reset()
        key.selectSlot(4)
        key.assignFixed(0)
        key.selectSlot(0)
        key.assignFixed(0)
        key.assignFixed(2)
        compare(ui_Ctl.calls("msgboxKey"), [], "another left click remains")
        compare(writes().length, 3)
    }

    // Macro edits not saved yet outlive a read of the same device again (a replug); another
    // profile reads its stored macro.
    function test_unsaved_macro_edits_outlive_a_replug() {
        openDevice(table0({}), table1({ 4: 4 }))
        var macro = visit(2)
        var stored = macro.items.length
        macro.insertItem()
        macro.insertItem()
        online([["NORVIK GAMING Quillex", "M8K"]])
        scene.initUI()
        compare(macro.items.length, stored + 2)
        scene.apSetting.currentProfile = 1
        scene.initUI()
        compare(macro.items.length, stored)
    }
}
