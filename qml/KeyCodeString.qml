import QtQuick 2.12

// Names of the keyboard usages the device accepts, used both ways, and the mouse-button names
// of recorded macros.
QtObject {
    readonly property var keyNames: buildNames()
    readonly property var keyCodes: buildCodes()
    readonly property var mouseButtonNames: ["B1", "B2", "B3", "B4", "B5"]
    readonly property var mouseButtonCodes: [0xF0, 0xF1, 0xF2, 0xF4, 0xF3]

    function buildNames() {
        var t = {}
        var i
        for (i = 0; i < 26; ++i)
            t[0x04 + i] = String.fromCharCode(65 + i)
        for (i = 0; i < 9; ++i)
            t[0x1E + i] = String(i + 1)
        t[0x27] = "0"
        var named = [[0x28, "Enter"], [0x29, "Esc"], [0x2A, "Back"], [0x2B, "Tab"],
                     [0x2C, "Space"], [0x2D, "- _"], [0x2E, "= +"], [0x2F, "[ {"], [0x30, "] }"],
                     [0x31, "\\ |"], [0x33, "; :"], [0x34, "' \""], [0x35, "` ~"], [0x36, ", <"],
                     [0x37, ". >"], [0x38, "/ ?"], [0x39, "Caps"]]
        for (i = 0; i < 12; ++i)
            t[0x3A + i] = "F" + (i + 1)
        named = named.concat([[0x46, "Prt"], [0x47, "Scr"], [0x48, "Pau"], [0x49, "Ins"],
                              [0x4A, "Hom"], [0x4B, "PgU"], [0x4C, "Del"], [0x4D, "End"],
                              [0x4E, "PgD"], [0x4F, "\u25BA"], [0x50, "\u25C4"], [0x51, "\u25BC"],
                              [0x52, "\u25B2"], [0x53, "Num"], [0x54, "KP /"], [0x55, "KP *"],
                              [0x56, "KP -"], [0x57, "KP +"], [0x58, "KP Enter"]])
        for (i = 0; i < 9; ++i)
            t[0x59 + i] = "KP " + (i + 1)
        t[0x5F] = "KP 7 "
        named = named.concat([[0x62, "KP 0"], [0x63, "KP ."], [0x65, "Menu"], [0xE0, "L Ctrl"],
                              [0xE1, "L Shift"], [0xE2, "L Alt"], [0xE3, "L Win"],
                              [0xE4, "R Ctrl"], [0xE5, "R Shift"], [0xE6, "R Alt"],
                              [0xE7, "R Win"]])
        for (i = 0; i < named.length; ++i)
            t[named[i][0]] = named[i][1]
        return t
    }

    // Codes in ascending order, for lists.
    function buildCodes() {
        var names = buildNames()
        var codes = []
        for (var k in names)
            codes.push(parseInt(k, 10))
        codes.sort(function (a, b) { return a - b })
        return codes
    }

    function keyName(code) {
        var n = keyNames[code]
        return n === undefined ? "" : n
    }

    function keyCode(name) {
        for (var i = 0; i < keyCodes.length; ++i) {
            if (keyNames[keyCodes[i]] === name)
                return keyCodes[i]
        }
        return -1
    }

    function hasKey(code) {
        return keyNames[code] !== undefined
    }

    function mouseButtonName(code) {
        var i = mouseButtonCodes.indexOf(code)
        return i < 0 ? "" : mouseButtonNames[i]
    }

    function mouseButtonCode(name) {
        var i = mouseButtonNames.indexOf(name)
        return i < 0 ? -1 : mouseButtonCodes[i]
    }
}
