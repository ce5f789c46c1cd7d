import QtQuick 2.12
import QtTest 1.2
import "qrc:/qml/DeviceMap.js" as Map
import "qrc:/qml/ButtonMap.js" as Buttons
import "qrc:/qml"

// The table encodings on their own: bytes out, settings back.
TestCase {
    name: "DeviceMap"

    KeyCodeString { id: keys }

    function image1(set) {
        var t = []
        for (var i = 0; i < 128; ++i)
            t.push(0)
        for (var k in set)
            t[parseInt(k, 10)] = set[k]
        return t
    }

    function test_addressing() {
        compare(Map.t0Index(0), 1)
        compare(Map.t1Index(62), 63)
        compare(Map.t1Index(63), 65)
        compare(Map.t1Index(125), 127)
    }

    function test_dpi_levels() {
        compare(Map.dpiWrite(2, 3200), [3, 13, 2, 0x80, 0x0C, 0, 0])
        compare(Map.dpiWrite(0, 26000), [3, 9, 2, 0x90, 0x65, 0, 0])
        compare(Map.dpiRead(image1({ 14: 0x80, 15: 0x0C }), 2), 3200)
        compare(Map.levelWrite(3), [2, 1, 1, 3, 0, 0, 0])
        compare(Map.clampDpi(3250), 3200)
        compare(Map.clampDpi(50), 200)
        compare(Map.clampDpi(30000), 26000)
        compare(Map.dpiLevelCount(image1({ 4: 12 })), 8)
    }

    function test_rate_codes() {
        compare(Map.rateWrite(0), [2, 0, 1, 0x08, 0, 0, 0])
        compare(Map.rateWrite(6), [2, 0, 1, 0x81, 0, 0, 0])
        compare(Map.ratePosition(0x21), 4)
        compare(Map.ratePosition(0x41), 5)
        compare(Map.ratePosition(0x10), -1)
    }

    function test_rate_offer() {
        compare(Map.rateCount(1, 0), 4)
        compare(Map.rateCount(1, 2), 4)
        compare(Map.rateCount(2, 1), 7)
        compare(Map.rateCount(0, 1), 4)
        compare(Map.rateCount(0, 2), 7)
    }

    function test_rate_flag_table_data() {
        var T = true, F = false
        return [
            { tag: "6 to 4", from: 6, to: 4, plan: { workTurbo: T, powerTurbo: F, sw2: T } },
            { tag: "6 to 5", from: 6, to: 5, plan: { workTurbo: T, powerTurbo: F, sw2: T } },
            { tag: "6 to 0", from: 6, to: 0, plan: { workTurbo: F, powerTurbo: F, sw2: T } },
            { tag: "6 to 3", from: 6, to: 3, plan: { workTurbo: F, powerTurbo: F, sw2: T } },
            { tag: "4 to 6", from: 4, to: 6, plan: { workTurbo: T, powerTurbo: T, sw2: F } },
            { tag: "5 to 2", from: 5, to: 2, plan: { workTurbo: F, powerTurbo: F, sw2: T } },
            { tag: "3 to 6", from: 3, to: 6, plan: { workTurbo: T, powerTurbo: T, sw2: F } },
            { tag: "1 to 5", from: 1, to: 5, plan: { workTurbo: T, powerTurbo: F, sw2: T } },
            { tag: "4 to 5", from: 4, to: 5, plan: null },
            { tag: "5 to 4", from: 5, to: 4, plan: null },
            { tag: "0 to 3", from: 0, to: 3, plan: null },
            { tag: "2 to 1", from: 2, to: 1, plan: null }
        ]
    }

    function test_rate_flag_table(data) {
        compare(Map.rateFlagPlan(data.from, data.to), data.plan)
    }

    function test_sensor_flags_whole_byte() {
        var all = { powerTurbo: true, workTurbo: true, sw1: true, sw2: true, sw3: true }
        compare(Map.sensorFlags(all), 0x2F)
        compare(Map.sensorWrite({ powerTurbo: true, workTurbo: true }), [3, 2, 1, 0x28, 0, 0, 0])
        compare(Map.decodeSensorFlags(0x06), { powerTurbo: false, workTurbo: false, sw1: true, sw2: false, sw3: true })
        // Bits the page does not show are written as 0.
        compare(Map.sensorFlags(Map.decodeSensorFlags(0xFF)), 0x2F)
    }

    function test_timing_lists() {
        compare(Map.keyDelayWrite(0), [3, 0, 1, 1, 0, 0, 0])
        compare(Map.keyDelayWrite(29), [3, 0, 1, 30, 0, 0, 0])
        compare(Map.keyDelayEntry(image1({ 1: 8 })), 7)
        compare(Map.sleepWrite(3), [3, 26, 1, 18, 0, 0, 0])
        compare(Map.sleepEntry(image1({ 27: 180 })), 7)
        compare(Map.sleepEntry(image1({ 27: 7 })), -1)
        compare(Map.liftWrite(1), [3, 25, 1, 2, 0, 0, 0])
        compare(Map.liftNames[Map.liftEntry(image1({ 26: 2 }))], "2 MM")
    }

    function test_lighting() {
        compare(Map.brightnessStep(153), 2)
        compare(Map.brightnessStep(255), 4)
        compare(Map.brightnessWrite(2), [2, 3, 1, 153, 0, 0, 0])
        compare(Map.speedWrite(3), [2, 4, 1, 5, 0, 0, 0])
        compare(Map.speedStep(5), 3)
        compare(Map.speedStep(7), 4)
        compare(Map.speedStep(1), 0)
        compare(Map.modeWrite(5), [2, 2, 1, 5, 0, 0, 0])
        compare(Map.colorChoiceWrite(7), [2, 5, 1, 8, 0, 0, 0])
        compare(Map.colorChoiceWrite(3), [2, 5, 1, 3, 0, 0, 0])
        compare(Map.colorChoice(8), 7)
        compare(Map.colorChoice(9), -1)
    }

    function test_colour_slot_three_straddles_the_reads() {
        compare(Map.slotColorRead(image1({ 62: 1, 63: 2, 64: 0x83, 65: 3 }), 3), [1, 2, 3])
        compare(Map.slotColorWrite(3, 1, 2, 3), [3, 61, 3, 1, 2, 3, 0])
        compare(Map.slotColorRead(image1({ 53: 9, 54: 8, 55: 7 }), 0), [9, 8, 7])
        compare(Map.slotColorRead(image1({ 72: 4, 73: 5, 74: 6 }), 6), [4, 5, 6])
        compare(Map.clampByte("300"), 255)
        compare(Map.rgbText(255, 0, 10), "#ff000a")
    }

    function slotImage(slot, code, p1, p2, type) {
        var set = {}
        set[78 + 4 * slot] = code
        set[79 + 4 * slot] = p1
        set[80 + 4 * slot] = p2
        set[81 + 4 * slot] = type
        return image1(set)
    }

    function test_button_decode_data() {
        return [
            { tag: "mouse right", b: [0xF1, 0, 0, 0x02], text: "01020000f1" },
            { tag: "mouse forward", b: [0xF4, 0, 0, 0x02], text: "03020000f4" },
            { tag: "media by code byte", b: [0x92, 0, 0, 0x03], text: "3903000192" },
            { tag: "dpi minus", b: [0x02, 0, 0, 0x0B], text: "060b000002" },
            { tag: "report rate", b: [0x03, 0, 2, 0xF0], text: "08f0020003" },
            { tag: "sniper", b: [0x05, 0, 1, 0xF0], text: "41f00300c8" },
            { tag: "keyboard", b: [0x06, 0xE1, 0xE0, 0x01], text: "1001e0e106" },
            { tag: "macro", b: [0x09, 0, 0x03, 0x05], text: "2005030009" },
            { tag: "fire", b: [0x00, 0, 0, 0x0C], text: "400c020af0" },
            { tag: "unknown type", b: [0x01, 0, 0, 0x07], text: "old" },
            { tag: "unknown mouse code", b: [0xF9, 0, 0, 0x02], text: "old" },
            { tag: "unknown dpi code", b: [0x09, 0, 0, 0x0B], text: "old" }
        ]
    }

    function test_button_decode(data) {
        for (var slot = 0; slot < 7; slot += 3) {
            var t = slotImage(slot, data.b[0], data.b[1], data.b[2], data.b[3])
            compare(Buttons.decodeSlot(t, slot, "old"), data.text)
        }
    }

    function test_button_writes() {
        compare(Buttons.slotWrite(0, Buttons.fixedText(0, 0)), [3, 76, 4, 0xF0, 0, 0, 0x02])
        compare(Buttons.slotWrite(1, Buttons.fixedText(0, 7)), [3, 80, 4, 0x03, 0, 0, 0x0B])
        compare(Buttons.slotWrite(2, Buttons.fixedText(0, 8)), [3, 84, 4, 0x03, 0, 2, 0xF0])
        compare(Buttons.slotWrite(3, Buttons.fixedText(3, 0)), [3, 88, 4, 0x23, 2, 0, 0x03])
        compare(Buttons.slotWrite(4, Buttons.fixedText(4, 0)), [3, 92, 4, 0xF0, 0x0A, 2, 0x0C])
        compare(Buttons.slotWrite(5, Buttons.fixedText(4, 1)), [3, 96, 4, 0xC8, 0, 3, 0xF0])
        compare(Buttons.slotWrite(6, Buttons.keyboardText(0xE0, 0x06, 0)), [3, 100, 4, 0, 0x06, 0xE0, 0x01])
        compare(Buttons.slotWrite(6, Buttons.macroText(Buttons.MACRO_REPEAT, 9)), [3, 100, 4, 9, 0, 3, 0x05])
        compare(Buttons.keyboardText(0xE0, 0x06, 0), "1001e00600")
        compare(Buttons.macroText(1, 2), "2005010002")
    }

    function test_left_click_count() {
        compare(Buttons.leftClickCount(Buttons.defaultSlots), 1)
        compare(Buttons.leftClickCount(["00020000f0", "00020000f0"]), 2)
    }

    function test_key_names_both_ways() {
        compare(keys.keyName(0x04), "A")
        compare(keys.keyName(0x1D), "Z")
        compare(keys.keyName(0x27), "0")
        compare(keys.keyName(0x31), "\\ |")
        compare(keys.keyName(0x34), "' \"")
        compare(keys.keyName(0x45), "F12")
        compare(keys.keyName(0x4F), "\u25BA")
        compare(keys.keyName(0x5F), "KP 7 ")
        compare(keys.keyName(0xE7), "R Win")
        compare(keys.keyName(0x32), "")
        compare(keys.keyName(0x64), "")
        compare(keys.keyCode("KP Enter"), 0x58)
        compare(keys.keyCode("KP 7"), -1)
        compare(keys.keyCodes.length, 26 + 10 + 17 + 12 + 19 + 9 + 3 + 8)
        for (var i = 0; i < keys.keyCodes.length; ++i)
            compare(keys.keyCode(keys.keyName(keys.keyCodes[i])), keys.keyCodes[i])
    }

    function test_mouse_button_names() {
        compare(keys.mouseButtonName(0xF3), "B5")
        compare(keys.mouseButtonName(0xF4), "B4")
        compare(keys.mouseButtonCode("B1"), 0xF0)
    }
}
