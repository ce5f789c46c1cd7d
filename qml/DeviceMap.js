.pragma library
// Turns the page controls into table bytes and back. Pure functions only: no scene, no device.
// A write is returned as the argument list of hid_Send8ByteData: [table, addr, len, b0, b1, b2, b3].

var TABLE0 = 2
var TABLE1 = 3

// Image index of a table 0 address.
function t0Index(addr) {
    return addr + 1
}

// Image index of a table 1 address: the second read starts at address 63 behind its own echo byte.
function t1Index(addr) {
    return addr <= 62 ? addr + 1 : addr + 2
}

function write(table, addr, len, b0, b1, b2, b3) {
    return [table, addr, len, b0 || 0, b1 || 0, b2 || 0, b3 || 0]
}

// ---- profiles and the factory reset ----
var PROFILE_COUNT = 3

function profileWrite(profile) {
    return write(0x01, 0, 0, profile)
}

// Back to factory settings: the active profile and the user settings of table 0.
function resetWrite() {
    return write(0x0a, 0xff, 0)
}

function tableValid(t0) {
    return !!t0 && t0.length > 9 && t0[9] === 1
}

function battery(level) {
    return Math.min(100, level)
}

// The battery level a table 0 image holds (table byte 7).
function tableBattery(t0) {
    return battery(t0[t0Index(7)])
}

// ---- report rate ----
var rateCodes = [0x08, 0x04, 0x02, 0x01, 0x21, 0x41, 0x81]
var rateNames = ["125 Hz", "250 Hz", "500 Hz", "1000 Hz", "2000 Hz", "4000 Hz", "8000 Hz"]

function ratePosition(code) {
    return rateCodes.indexOf(code)
}

function rateWrite(pos) {
    return write(TABLE0, 0, 1, rateCodes[pos])
}

// Only the first four rates exist when the mouse online is a 1K one, or with no mouse the receiver.
function rateCount(mouseOnline, dongleOnline) {
    var kind = mouseOnline !== 0 ? mouseOnline : dongleOnline
    return kind === 1 ? 4 : 7
}

function rateBand(pos) {
    return pos === 6 ? 2 : (pos >= 4 ? 1 : 0)
}

// Sensor settings that go with a rate change, or null when the flags stay as they are.
// Result: { workTurbo, powerTurbo, sw2 } (sw2 is bit 0x01).
function rateFlagPlan(oldPos, newPos) {
    var from = rateBand(oldPos)
    var to = rateBand(newPos)
    if (from === to)
        return null
    if (to === 2)
        return { workTurbo: true, powerTurbo: true, sw2: false }
    if (to === 1)
        return { workTurbo: true, powerTurbo: false, sw2: true }
    return { workTurbo: false, powerTurbo: false, sw2: true }
}

// ---- sensor flags (table 1 address 2), always written whole ----
var FLAG_POWER = 0x20
var FLAG_WORK = 0x08
var FLAG_SW1 = 0x02
var FLAG_SW2 = 0x01
var FLAG_SW3 = 0x04

function sensorFlags(s) {
    return (s.powerTurbo ? FLAG_POWER : 0) | (s.workTurbo ? FLAG_WORK : 0) | (s.sw1 ? FLAG_SW1 : 0)
            | (s.sw2 ? FLAG_SW2 : 0) | (s.sw3 ? FLAG_SW3 : 0)
}

function decodeSensorFlags(v) {
    return {
        powerTurbo: (v & FLAG_POWER) !== 0,
        workTurbo: (v & FLAG_WORK) !== 0,
        sw1: (v & FLAG_SW1) !== 0,
        sw2: (v & FLAG_SW2) !== 0,
        sw3: (v & FLAG_SW3) !== 0
    }
}

function sensorWrite(s) {
    return write(TABLE1, 2, 1, sensorFlags(s))
}

// ---- DPI ----
var DPI_MIN = 200
var DPI_MAX = 26000
var DPI_STEP = 100
var DPI_LEVELS_MAX = 8

function clampDpi(v) {
    var d = Math.floor(v / DPI_STEP) * DPI_STEP
    return Math.max(DPI_MIN, Math.min(DPI_MAX, d))
}

function dpiWrite(level, value) {
    return write(TABLE1, 9 + 2 * level, 2, value & 0xff, (value >> 8) & 0xff)
}

function dpiRead(t1, level) {
    return t1[t1Index(9 + 2 * level)] | (t1[t1Index(10 + 2 * level)] << 8)
}

function dpiLevelCount(t1) {
    return Math.min(DPI_LEVELS_MAX, t1[t1Index(3)])
}

function levelWrite(level) {
    return write(TABLE0, 1, 1, level)
}

function dpiLevelColor(t1, level) {
    var a = 28 + 3 * level
    return rgbText(t1[t1Index(a)], t1[t1Index(a + 1)], t1[t1Index(a + 2)])
}

// ---- timing and power lists ----
var keyDelayMax = 30

function keyDelayWrite(entry) {
    return write(TABLE1, 0, 1, entry + 1)
}

function keyDelayEntry(t1) {
    var v = t1[t1Index(0)]
    return v >= 1 && v <= keyDelayMax ? v - 1 : -1
}

var sleepValues = [1, 3, 6, 18, 30, 60, 90, 180]
var sleepNames = ["10 S", "30 S", "1 MIN", "3 MIN", "5 MIN", "10 MIN", "15 MIN", "30 MIN"]

function sleepWrite(entry) {
    return write(TABLE1, 26, 1, sleepValues[entry])
}

function sleepEntry(t1) {
    return sleepValues.indexOf(t1[t1Index(26)])
}

var liftNames = ["1 MM", "2 MM"]

function liftWrite(entry) {
    return write(TABLE1, 25, 1, entry + 1)
}

function liftEntry(t1) {
    var v = t1[t1Index(25)]
    return v === 1 || v === 2 ? v - 1 : -1
}

// ---- lighting ----
var brightnessValues = [51, 102, 153, 204, 255]
var speedValues = [1, 2, 3, 5, 7]
var EIGHTH_CHOICE = 7
var EIGHTH_CODE = 8
var defaultColors = ["#ff0000", "#00ff00", "#0000ff", "#ffff00", "#ff00ff", "#00ffff", "#00ffff"]

function modeWrite(mode) {
    return write(TABLE0, 2, 1, mode)
}

function brightnessWrite(step) {
    return write(TABLE0, 3, 1, brightnessValues[step])
}

function brightnessStep(value) {
    return Math.min(4, Math.floor(value / 63))
}

function speedWrite(step) {
    return write(TABLE0, 4, 1, speedValues[step])
}

// Stored 5 and 7 are the fourth and fifth steps; anything unknown keeps the shown step (-1).
function speedStep(value) {
    return speedValues.indexOf(value)
}

// Colour choice 0-6 is a slot; the eighth choice (entry 7) is stored as 8.
function colorChoiceWrite(choice) {
    return write(TABLE0, 5, 1, choice === EIGHTH_CHOICE ? EIGHTH_CODE : choice)
}

function colorChoice(code) {
    if (code === EIGHTH_CODE)
        return EIGHTH_CHOICE
    return code >= 0 && code <= 6 ? code : -1
}

function hex2(v) {
    var s = (v & 0xff).toString(16)
    return s.length < 2 ? "0" + s : s
}

function rgbText(r, g, b) {
    return "#" + hex2(r) + hex2(g) + hex2(b)
}

function slotColorRead(t1, slot) {
    var a = 52 + 3 * slot
    return [t1[t1Index(a)], t1[t1Index(a + 1)], t1[t1Index(a + 2)]]
}

function slotColorWrite(slot, r, g, b) {
    return write(TABLE1, 52 + 3 * slot, 3, r, g, b)
}

function clampByte(text) {
    var v = parseInt(text, 10)
    if (isNaN(v) || v < 0)
        return 0
    return Math.min(255, v)
}

// Hue 0..1 at full saturation and value, as [r, g, b].
function hueRgb(h) {
    var i = Math.floor(h * 6) % 6
    var f = h * 6 - Math.floor(h * 6)
    var q = Math.round(255 * (1 - f))
    var t = Math.round(255 * f)
    switch (i) {
    case 0: return [255, t, 0]
    case 1: return [q, 255, 0]
    case 2: return [0, 255, t]
    case 3: return [0, q, 255]
    case 4: return [t, 0, 255]
    default: return [255, 0, q]
    }
}
