import QtQuick 2.12
import QtTest 1.2
import "qrc:/qml/DeviceMap.js" as Map
import "qrc:/qml/SettingsDocument.js" as Doc

// The settings file against the table layouts: a document writes back exactly the tables it was
// read from. (What a file may hold is checked end to end by quillexctl's tests.)
TestCase {
    name: "SettingsDocument"

    // Images as read from a mouse: the echo byte first, table 1 in two blocks.
    function images(t0Bytes, t1Bytes) {
        var t0 = [0x82], t1 = [0x83]
        for (var a = 0; a < 63; ++a)
            t0.push(a < t0Bytes.length ? t0Bytes[a] : 0)
        for (var b = 0; b < 126; ++b) {
            if (b === 63)
                t1.push(0x83)
            t1.push(b < t1Bytes.length ? t1Bytes[b] : 0)
        }
        return { t0: t0, t1: t1 }
    }

    // The factory tables of a mouse, with every setting moved off its default.
    function changedMouse() {
        var t0 = [0x81, 3, 4, 102, 7, 8, 0, 0x2A, 1]
        var t1 = []
        for (var i = 0; i < 104; ++i)
            t1.push(0)
        t1[0] = 12
        t1[2] = 0x2D
        t1[3] = 5
        var dpi = [400, 1200, 1600, 25900, 200]
        for (var l = 0; l < 5; ++l) {
            t1[9 + 2 * l] = dpi[l] & 0xff
            t1[10 + 2 * l] = dpi[l] >> 8
        }
        t1[25] = 2
        t1[26] = 180
        for (var c = 52; c < 73; ++c)
            t1[c] = (c * 37) & 0xff
        var buttons = [[0xF1, 0, 0, 0x02], [0xF0, 0, 0, 0x02], [0x04, 0x06, 0x01, 0x01],
                       [0x02, 0, 0x03, 0x05], [0xCD, 0, 0, 0x03], [0x01, 0, 0, 0x0B],
                       [0xF0, 0x0A, 2, 0x0C]]
        for (var s = 0; s < 7; ++s)
            for (var k = 0; k < 4; ++k)
                t1[76 + 4 * s + k] = buttons[s][k]
        return images(t0, t1)
    }

    function applied(writes, image) {
        var t0 = image.t0.slice(), t1 = image.t1.slice()
        writes.forEach(function (w) {
            for (var i = 0; i < w[2]; ++i) {
                if (w[0] === Map.TABLE0)
                    t0[Map.t0Index(w[1] + i)] = w[3 + i]
                else
                    t1[Map.t1Index(w[1] + i)] = w[3 + i]
            }
        })
        return { t0: t0, t1: t1 }
    }

    function test_a_document_writes_back_the_tables_it_came_from() {
        var mouse = changedMouse()
        var macros = [{ number: 3, actions: [0, 1, 1, 4, 129, 4, 0, 0] }]
        var read = Doc.fromDevice(mouse.t0, mouse.t1, macros)
        verify(read.document, read.error)
        compare(read.document.reportRate, 8000)
        compare(read.document.buttons, ["right-key", "left-key", "keys:01+06+04", "macro:3:repeat",
                                        "play-pause", "dpi-plus", "fire-key"])
        var plan = Doc.plan(JSON.parse(JSON.stringify(read.document)), Doc.deviceLimits(mouse.t1, 2, 0))
        verify(plan.writes, plan.error)
        compare(plan.macros, macros)
        // Written over the same tables nothing changes; over blank ones the same document returns.
        compare(applied(plan.writes, mouse), mouse)
        var blank = images([0, 0, 0, 0, 0, 0, 0, 0, 1], [0, 0, 0, 5])
        compare(Doc.fromDevice(applied(plan.writes, blank).t0, applied(plan.writes, blank).t1,
                               macros).document, read.document)
    }

    function test_action_names() {
        Doc.fixedActions().forEach(function (action) {
            compare(Doc.actionName(Doc.actionSlot(action[0])), action[0])
        })
        compare(Doc.actionSlot("Left Key"), Doc.actionSlot("left-key"))
        compare(Doc.actionName(Doc.actionSlot("Dpi -")), "dpi-minus")
        compare(Doc.actionName(Doc.actionSlot("KEYS:E0+04")), "keys:e0+04")
        compare(Doc.actionName(Doc.actionSlot("keys:00+04")), "keys:00+04")
        compare(Doc.actionName(Doc.actionSlot("macro:10")), "macro:10")
        ;["", "keys:00", "keys:00+00", "keys:e0+", "macro:0", "macro:11", "left", 7].forEach(function (bad) {
            compare(Doc.actionSlot(bad), "", JSON.stringify(bad))
        })
    }

    function test_a_rate_change_takes_the_sensor_modes_along() {
        var mouse = changedMouse()
        var doc = Doc.fromDevice(mouse.t0, mouse.t1, []).document
        doc = Doc.withRate(doc, 1000)
        compare([doc.reportRate, doc.sensor.powerMode, doc.sensor.sensorMode, doc.sensor.rippleControl],
                [1000, "power-saving", "power-saving", true])
        doc = Doc.withRate(doc, 4000)
        compare([doc.sensor.powerMode, doc.sensor.sensorMode], ["power-saving", "turbo"])
    }
}
