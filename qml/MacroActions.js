.pragma library

// A macro in the page's form: a list of items with numeric codes. A key press is 0x0100 + usage,
// its release 0x8100 + usage; a mouse button is coded the same way with 0xF0..0xF4; a delay is
// 0x7F000000 + n (n in 10 ms units); the end item is 0. The device's action list holds the
// playback count and the items' entries, 256 entries in all.

var ENTRIES = 256
var DELAY_BASE = 0x7F000000
var END = 0
var PRESS = 0x0100
var RELEASE = 0x8100
var DELAY_UNITS_MAX = 65535
var PLAY_COUNT_MIN = 1
var PLAY_COUNT_MAX = 1000
// Stored text no real macro reaches: 256 numbers of three digits with commas stay far below.
var STORED_TEXT_MAX = 65536

function isDelay(code) {
    return code > 0xFFFF
}

function delayItem(n) {
    return DELAY_BASE + n
}

function delayUnits(code) {
    return code - DELAY_BASE
}

function isRelease(code) {
    return (code & 0x8000) !== 0
}

function usage(code) {
    return code & 0xFF
}

function entriesOf(code) {
    return isDelay(code) ? 4 : 2
}

// Playback count, end item and the items' entries.
function lengthOf(items) {
    var n = 4
    for (var i = 0; i < items.length; ++i)
        n += entriesOf(items[i])
    return n
}

// The device adds 10 ms to every step; gaps beyond the longest storable delay become that delay.
function unitsForGap(ms) {
    return Math.floor(Math.min(DELAY_UNITS_MAX * 10, Math.max(0, ms - 10)) / 10)
}

// A typed delay in milliseconds: 10 to 65535, rounded down to 10 ms.
function normalisedDelayMs(ms) {
    var v = Math.min(65535, Math.max(10, Math.floor(Number(ms)) || 0))
    return v - v % 10
}

function normalisedPlayCount(count) {
    return Math.min(PLAY_COUNT_MAX, Math.max(PLAY_COUNT_MIN, Math.floor(Number(count)) || 0))
}

function actionList(playCount, items) {
    var l = [playCount >> 8 & 0xFF, playCount & 0xFF]
    for (var i = 0; i < items.length && l.length < ENTRIES; ++i) {
        var c = items[i]
        if (isDelay(c)) {
            var n = delayUnits(c)
            l.push(0x7F, 0x00, n >> 8 & 0xFF, n & 0xFF)
        } else {
            l.push(c >> 8 & 0xFF, c & 0xFF)
        }
    }
    while (l.length < ENTRIES)
        l.push(0)
    return l.slice(0, ENTRIES)
}

// The same entries the upload accepts: the two count entries at least, whole numbers 0 to 255,
// nothing else.
function isActionList(l) {
    var entry = function (v) { return typeof v === "number" && Math.floor(v) === v && v >= 0 && v <= 255 }
    return Array.isArray(l) && l.length >= 2 && l.every(entry)
}

// Reads a stored macro's text. Returns { state, playCount, items } with state "absent", "damaged"
// or "ok"; codes that are neither a known key (isKnownCode) nor a button are dropped.
function parseStored(text, isKnownCode) {
    var empty = { playCount: PLAY_COUNT_MIN, items: [] }
    if (text === undefined || text === null)
        return Object.assign({ state: "absent" }, empty)
    var damaged = Object.assign({ state: "damaged" }, empty)
    if (typeof text !== "string" || text.length === 0 || text.length > STORED_TEXT_MAX)
        return damaged
    var obj
    try {
        obj = JSON.parse(text)
    } catch (e) {
        return damaged
    }
    if (!obj || !isActionList(obj.Actions))
        return damaged
    var l = obj.Actions.slice(0, ENTRIES)
    return { state: "ok", playCount: normalisedPlayCount(l[0] * 256 + l[1]),
             items: itemsOf(l, isKnownCode) }
}

// Items up to the end item; an item that would leave no room for the end item is not taken, as
// the device image would not hold it either.
function itemsOf(l, isKnownCode) {
    var items = []
    var take = function (item) {
        if (lengthOf(items) + entriesOf(item) > ENTRIES)
            return false
        items.push(item)
        return true
    }
    for (var k = 2; k + 1 < l.length;) {
        var control = l[k], code = l[k + 1]
        if ((control & 0x7F) === 0x7F) {
            if (k + 3 >= l.length)
                break
            var n = l[k + 2] * 256 + l[k + 3]
            if (n > 0 && !take(delayItem(n)))
                break
            k += 4
            continue
        }
        if (code !== 0) {
            if ((code >= 0xF0 && code <= 0xF4 || isKnownCode(code)) &&
                    !take(((control & 0x80) ? RELEASE : PRESS) + code))
                break
        } else if (control === 0) {
            if (items.length === 0)
                items.push(END)
            break
        }
        k += 2
    }
    return items
}
