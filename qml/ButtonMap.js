.pragma library
// Button slots (table 1 address 76 + 4i). The key page keeps each slot as a 10-digit hex text:
// group digit, index digit, then type, p2, p1 and code.
.import "DeviceMap.js" as Map

var SLOT_COUNT = 7
var GROUP_MOUSE = 0
var GROUP_KEYBOARD = 1
var GROUP_MACRO = 2
var MACRO_FIXED = 0x01
var MACRO_REPEAT = 0x03

// Fixed assignments per group: [code, p1, p2, type]; the page's language list names them.
var fixedGroups = {
    0: [[0xF0, 0, 0, 0x02], [0xF1, 0, 0, 0x02], [0xF2, 0, 0, 0x02], [0xF4, 0, 0, 0x02],
        [0xF3, 0, 0, 0x02], [0x01, 0, 0, 0x0B], [0x02, 0, 0, 0x0B], [0x03, 0, 0, 0x0B],
        [0x03, 0, 2, 0xF0]],
    3: [[0x23, 2, 0, 0x03], [0xCD, 0, 0, 0x03], [0xE2, 0, 0, 0x03], [0xB6, 0, 0, 0x03],
        [0xB5, 0, 0, 0x03], [0xB7, 0, 0, 0x03], [0x83, 1, 0, 0x03], [0xE9, 0, 0, 0x03],
        [0xEA, 0, 0, 0x03], [0x92, 1, 0, 0x03]],
    4: [[0xF0, 0x0A, 2, 0x0C], [0xC8, 0, 3, 0xF0]]
}

// First language entry of each named group in the key page's list.
var langBase = { 0: 10, 3: 26, 4: 36 }
var LANG_KEYBOARD = 38
var LANG_MACRO = 39

// Default names when no language list is loaded.
var defaultNames = {
    0: ["Left Key", "Right Key", "Middle Key", "ForWard", "ForBack", "Dpi +", "Dpi -", "Dpi Loop",
        "Report Rate"],
    3: ["Web Browser", "Play/Pause", "Mute", "Prev Track", "Next Track", "Stop", "Media Player",
        "Volume Up", "Volume Down", "Calculator"],
    4: ["Fire Key", "Sniper Key"]
}

// Factory layout of the seven buttons, used until the device's table is read.
var defaultSlots = ["00020000f0", "01020000f1", "02020000f2", "03020000f4", "04020000f3",
                    "070b000003", "08f0020003"]

function slotText(group, index, type, p2, p1, code) {
    return String(group) + String(index) + Map.hex2(type) + Map.hex2(p2) + Map.hex2(p1) + Map.hex2(code)
}

function fixedText(group, index) {
    var e = fixedGroups[group][index]
    return slotText(group, index, e[3], e[2], e[1], e[0])
}

function keyboardText(k1, k2, k3) {
    return slotText(1, 0, 0x01, k1, k2, k3)
}

function macroText(mode, macro) {
    return slotText(2, 0, 0x05, mode, 0, macro)
}

function field(text, at) {
    return parseInt(text.substr(at, 2), 16)
}

function parse(text) {
    return {
        group: parseInt(text.charAt(0), 10),
        index: parseInt(text.charAt(1), 10),
        type: field(text, 2),
        p2: field(text, 4),
        p1: field(text, 6),
        code: field(text, 8)
    }
}

function slotWrite(slot, text) {
    var s = parse(text)
    return Map.write(Map.TABLE1, 76 + 4 * slot, 4, s.code, s.p1, s.p2, s.type)
}

function findFixed(group, match) {
    var list = fixedGroups[group]
    for (var i = 0; i < list.length; ++i) {
        if (match(list[i]))
            return fixedText(group, i)
    }
    return ""
}

// Rebuilds slot i's text from the table 1 image; unknown contents keep the previous text.
function decodeSlot(t1, slot, oldText) {
    var base = 76 + 4 * slot
    var code = t1[Map.t1Index(base)]
    var p1 = t1[Map.t1Index(base + 1)]
    var p2 = t1[Map.t1Index(base + 2)]
    var type = t1[Map.t1Index(base + 3)]
    var text = ""
    switch (type) {
    case 0x02:
        text = findFixed(0, function (e) { return e[3] === 0x02 && e[0] === code })
        break
    case 0x03:
        text = findFixed(3, function (e) { return e[0] === code })
        break
    case 0x0B:
        if (code >= 1 && code <= 3)
            text = fixedText(0, 4 + code)
        break
    case 0xF0:
        text = code === 3 && p2 === 2 ? fixedText(0, 8) : fixedText(4, 1)
        break
    case 0x01:
        text = keyboardText(p2, p1, code)
        break
    case 0x05:
        text = macroText(p2, code)
        break
    case 0x0C:
        text = fixedText(4, 0)
        break
    }
    return text === "" ? oldText : text
}

function isLeftClick(text) {
    return text === fixedText(0, 0)
}

// Slots that hold the left-click function, so the last one is not given away unasked.
function leftClickCount(slots) {
    var n = 0
    for (var i = 0; i < slots.length; ++i) {
        if (isLeftClick(slots[i]))
            ++n
    }
    return n
}

// Language entry that names the slot's assignment.
function langIndex(text) {
    var s = parse(text)
    if (s.group === GROUP_KEYBOARD)
        return LANG_KEYBOARD
    if (s.group === GROUP_MACRO)
        return LANG_MACRO
    return langBase[s.group] + s.index
}

function defaultName(text) {
    var s = parse(text)
    if (s.group === GROUP_KEYBOARD)
        return "Keyboard"
    if (s.group === GROUP_MACRO)
        return "Macro"
    return defaultNames[s.group][s.index]
}
