.pragma library
// The settings file: what a profile holds on the mouse (DPI, rate, sensor, power, lighting,
// buttons) plus the macros stored for it, as a versioned document. Pure functions: the tables
// and stored macros come in, table writes and macro lists go out. A document is checked whole
// before anything is written, and every refusal names its field.
.import "DeviceMap.js" as Map
.import "ButtonMap.js" as Buttons
.import "MacroActions.js" as Macros

var FORMAT = "quillex-settings"
var VERSION = 1
var MACRO_COUNT = 10
// Names that stay the same in every language: files travel between users.
var effectNames = ["off", "static", "breath", "neon", "click-on", "wave"]
var modeNames = ["turbo", "power-saving"]
var CYCLE = "cycle"

function refusal(field, problem) {
    return { error: field + ": " + problem }
}

// ---- button actions ----

// "Dpi +" is "dpi-plus", "Play/Pause" is "play-pause".
function slug(text) {
    return text.toLowerCase().trim().replace(/\s*\+$/, " plus").replace(/\s+-$/, " minus")
            .replace(/[^a-z0-9]+/g, "-")
}

// Every fixed action as [name, group, index], named as the key page names them in English.
function fixedActions() {
    var l = []
    ;[Buttons.GROUP_MOUSE, 3, 4].forEach(function (g) {
        Buttons.defaultNames[g].forEach(function (n, i) { l.push([slug(n), g, i]) })
    })
    return l
}

// The slot text of an action name, or "" for a name that is not one.
function actionSlot(name) {
    if (typeof name !== "string")
        return ""
    // The key page's own wording is taken too: "Left Key" is "left-key".
    name = name.indexOf(":") < 0 ? slug(name) : name.toLowerCase()
    var fixed = fixedActions().filter(function (a) { return a[0] === name })
    if (fixed.length > 0)
        return Buttons.fixedText(fixed[0][1], fixed[0][2])
    var keys = /^keys:([0-9a-f]{2})(?:\+([0-9a-f]{2}))?(?:\+([0-9a-f]{2}))?$/.exec(name)
    if (keys) {
        var k = [1, 2, 3].map(function (i) { return keys[i] ? parseInt(keys[i], 16) : 0 })
        return k.every(function (v) { return v === 0 }) ? "" : Buttons.keyboardText(k[0], k[1], k[2])
    }
    var macro = /^macro:([0-9]+)(:repeat)?$/.exec(name)
    if (macro) {
        var n = parseInt(macro[1], 10)
        if (n < 1 || n > MACRO_COUNT)
            return ""
        return Buttons.macroText(macro[2] ? Buttons.MACRO_REPEAT : Buttons.MACRO_FIXED, n - 1)
    }
    return ""
}

// The action name of a slot text, or "" for contents no action produces.
function actionName(text) {
    var s = Buttons.parse(text)
    if (s.group === Buttons.GROUP_KEYBOARD) {
        // The key page's three places, each kept where it was: trailing empty ones are left out.
        var k = [s.p2, s.p1, s.code]
        while (k.length > 0 && k[k.length - 1] === 0)
            k.pop()
        return k.length === 0 ? "" : "keys:" + k.map(Map.hex2).join("+")
    }
    if (s.group === Buttons.GROUP_MACRO)
        return "macro:" + (s.code + 1) + (s.p2 === Buttons.MACRO_REPEAT ? ":repeat" : "")
    var fixed = fixedActions().filter(function (a) { return a[1] === s.group && a[2] === s.index })
    return fixed.length > 0 ? fixed[0][0] : ""
}

// ---- reading the device ----

// What the open device allows: its report rates and its number of DPI levels.
function deviceLimits(t1, mouseOnline, dongleOnline) {
    return { rateCount: Map.rateCount(mouseOnline, dongleOnline), levelCount: Map.dpiLevelCount(t1) }
}

// { document } from the tables and the stored macros ([{ number, actions }]), or { error } naming
// what the device holds that no setting produces.
function fromDevice(t0, t1, macros) {
    if (!Map.tableValid(t0))
        return refusal("device", "its settings could not be read")
    var b0 = function (a) { return t0[Map.t0Index(a)] }
    var b1 = function (a) { return t1[Map.t1Index(a)] }
    var rate = Map.ratePosition(b0(0))
    if (rate < 0)
        return refusal("reportRate", "the device holds unknown code " + b0(0))
    var levels = []
    for (var i = 0; i < Map.dpiLevelCount(t1); ++i)
        levels.push(Map.dpiRead(t1, i))
    var flags = Map.decodeSensorFlags(b1(2))
    var delay = Map.keyDelayEntry(t1)
    var sleep = Map.sleepEntry(t1)
    var lift = Map.liftEntry(t1)
    if (delay < 0 || sleep < 0 || lift < 0)
        return refusal("power", "the device holds values no setting produces")
    var effect = b0(2)
    var speed = Map.speedStep(b0(4))
    var choice = Map.colorChoice(b0(5))
    if (effect >= effectNames.length || speed < 0 || choice < 0)
        return refusal("lighting", "the device holds values no setting produces")
    var slots = []
    for (var s = 0; s < 7; ++s) {
        var c = Map.slotColorRead(t1, s)
        slots.push(Map.rgbText(c[0], c[1], c[2]))
    }
    var buttons = []
    for (var b = 0; b < Buttons.SLOT_COUNT; ++b) {
        var name = actionName(Buttons.decodeSlot(t1, b, "00000000000"))
        if (name === "")
            return refusal("buttons[" + b + "]", "the device holds an assignment no action produces")
        buttons.push(name)
    }
    return { document: {
        format: FORMAT,
        version: VERSION,
        reportRate: parseInt(Map.rateNames[rate], 10),
        dpi: { levels: levels, current: b0(1) + 1 },
        sensor: {
            powerMode: modeNames[flags.powerTurbo ? 0 : 1],
            sensorMode: modeNames[flags.workTurbo ? 0 : 1],
            motionSync: flags.sw1,
            rippleControl: flags.sw2,
            angleSnapping: flags.sw3
        },
        power: { keyResponseMs: delay + 1, sleepSeconds: Map.sleepValues[sleep] * 10,
                 liftOffMm: lift + 1 },
        lighting: { effect: effectNames[effect], speed: speed + 1,
                    brightness: (Map.brightnessStep(b0(3)) + 1) * 20,
                    colour: choice === Map.EIGHTH_CHOICE ? CYCLE : choice + 1, slots: slots },
        buttons: buttons,
        macros: macros
    } }
}

// ---- checking a document ----

function isObject(v) {
    return v !== null && typeof v === "object" && !Array.isArray(v)
}

function isWhole(v) {
    return typeof v === "number" && Math.floor(v) === v
}

// Checks one member against a list of allowed values; returns its position or a refusal.
function oneOf(value, allowed, field) {
    var at = allowed.indexOf(value)
    return at >= 0 ? at : refusal(field, JSON.stringify(value) + " is not one of "
                                  + allowed.map(function (v) { return JSON.stringify(v) }).join(", "))
}

function wholeIn(value, min, max, field) {
    return isWhole(value) && value >= min && value <= max
            ? value : refusal(field, JSON.stringify(value) + " is not a whole number from " + min
                              + " to " + max)
}

function flag(value, field) {
    return typeof value === "boolean" ? value : refusal(field, "must be true or false")
}

function failed(v) {
    return isObject(v) && typeof v.error === "string"
}

// Members every section must have, and nothing else.
function section(doc, name, members) {
    var v = doc[name]
    if (!isObject(v))
        return refusal(name, "missing or not an object")
    for (var i = 0; i < members.length; ++i) {
        if (!(members[i] in v))
            return refusal(name + "." + members[i], "missing")
    }
    for (var key in v) {
        if (members.indexOf(key) < 0)
            return refusal(name + "." + key, "unknown setting")
    }
    return v
}

var topMembers = ["format", "version", "reportRate", "dpi", "sensor", "power", "lighting",
                  "buttons", "macros"]

// { writes, macros } for the open device, or { error } naming the first field refused. writes are
// hid_Send8ByteData argument lists; macros are [{ number, actions }] to store and upload. With
// `stored` (the macros stored for the profile, as [{ number, actions }]), a button must play a
// macro the file or the store holds, and stored ones the file lacks are sent along, as the key
// page sends a macro with its button.
function plan(doc, limits, stored) {
    if (!isObject(doc))
        return refusal("document", "not a settings file")
    if (doc.format !== FORMAT)
        return refusal("format", "not a Quillex settings file")
    if (doc.version !== VERSION)
        return refusal("version", JSON.stringify(doc.version) + " is not supported (this program reads "
                       + VERSION + ")")
    for (var key in doc) {
        if (topMembers.indexOf(key) < 0)
            return refusal(key, "unknown setting")
    }
    var w = []
    var rates = Map.rateNames.slice(0, limits.rateCount).map(function (n) { return parseInt(n, 10) })
    var rate = oneOf(doc.reportRate, rates, "reportRate")
    if (failed(rate))
        return rate
    w.push(Map.rateWrite(rate))

    var dpi = section(doc, "dpi", ["levels", "current"])
    if (failed(dpi))
        return dpi
    if (!Array.isArray(dpi.levels) || dpi.levels.length !== limits.levelCount)
        return refusal("dpi.levels", "the device has " + limits.levelCount + " levels")
    for (var i = 0; i < dpi.levels.length; ++i) {
        var v = dpi.levels[i]
        if (!isWhole(v) || Map.clampDpi(v) !== v)
            return refusal("dpi.levels[" + i + "]", JSON.stringify(v) + ": DPI goes from " + Map.DPI_MIN
                           + " to " + Map.DPI_MAX + " in steps of " + Map.DPI_STEP)
        w.push(Map.dpiWrite(i, v))
    }
    var current = wholeIn(dpi.current, 1, limits.levelCount, "dpi.current")
    if (failed(current))
        return current
    w.push(Map.levelWrite(current - 1))

    var sensor = section(doc, "sensor", ["powerMode", "sensorMode", "motionSync", "rippleControl",
                                         "angleSnapping"])
    if (failed(sensor))
        return sensor
    var s = {
        powerTurbo: oneOf(sensor.powerMode, modeNames, "sensor.powerMode"),
        workTurbo: oneOf(sensor.sensorMode, modeNames, "sensor.sensorMode"),
        sw1: flag(sensor.motionSync, "sensor.motionSync"),
        sw2: flag(sensor.rippleControl, "sensor.rippleControl"),
        sw3: flag(sensor.angleSnapping, "sensor.angleSnapping")
    }
    for (var f in s) {
        if (failed(s[f]))
            return s[f]
    }
    s.powerTurbo = s.powerTurbo === 0
    s.workTurbo = s.workTurbo === 0
    w.push(Map.sensorWrite(s))

    var power = section(doc, "power", ["keyResponseMs", "sleepSeconds", "liftOffMm"])
    if (failed(power))
        return power
    var delay = wholeIn(power.keyResponseMs, 1, Map.keyDelayMax, "power.keyResponseMs")
    var sleep = oneOf(power.sleepSeconds, Map.sleepValues.map(function (v) { return v * 10 }),
                      "power.sleepSeconds")
    var lift = oneOf(power.liftOffMm, [1, 2], "power.liftOffMm")
    if (failed(delay) || failed(sleep) || failed(lift))
        return [delay, sleep, lift].filter(failed)[0]
    w.push(Map.keyDelayWrite(delay - 1), Map.sleepWrite(sleep), Map.liftWrite(lift))

    var light = section(doc, "lighting", ["effect", "speed", "brightness", "colour", "slots"])
    if (failed(light))
        return light
    var effect = oneOf(light.effect, effectNames, "lighting.effect")
    var speed = wholeIn(light.speed, 1, Map.speedValues.length, "lighting.speed")
    var brightness = oneOf(light.brightness, [20, 40, 60, 80, 100], "lighting.brightness")
    var colour = oneOf(light.colour, [1, 2, 3, 4, 5, 6, 7, CYCLE], "lighting.colour")
    if ([effect, speed, brightness, colour].some(failed))
        return [effect, speed, brightness, colour].filter(failed)[0]
    if (!Array.isArray(light.slots) || light.slots.length !== 7)
        return refusal("lighting.slots", "must list 7 colours")
    w.push(Map.modeWrite(effect), Map.speedWrite(speed - 1), Map.brightnessWrite(brightness),
           Map.colorChoiceWrite(colour))
    for (var c = 0; c < 7; ++c) {
        var rgb = /^#([0-9a-f]{2})([0-9a-f]{2})([0-9a-f]{2})$/i.exec(light.slots[c])
        if (!rgb)
            return refusal("lighting.slots[" + c + "]", JSON.stringify(light.slots[c])
                           + " is not a colour #rrggbb")
        w.push(Map.slotColorWrite(c, parseInt(rgb[1], 16), parseInt(rgb[2], 16), parseInt(rgb[3], 16)))
    }

    if (!Array.isArray(doc.buttons) || doc.buttons.length !== Buttons.SLOT_COUNT)
        return refusal("buttons", "must list " + Buttons.SLOT_COUNT + " actions")
    for (var b = 0; b < doc.buttons.length; ++b) {
        var text = actionSlot(doc.buttons[b])
        if (text === "")
            return refusal("buttons[" + b + "]", JSON.stringify(doc.buttons[b]) + " is not an action")
        w.push(Buttons.slotWrite(b, text))
    }

    var macros = checkMacros(doc.macros)
    if (failed(macros))
        return macros
    if (Array.isArray(stored))
        macros = withPlayedMacros(doc.buttons, macros, stored)
    if (failed(macros))
        return macros
    return { writes: w, macros: macros }
}

function withPlayedMacros(buttons, macros, stored) {
    var sent = macros.slice()
    var has = function (list, n) { return list.some(function (m) { return m.number === n }) }
    for (var b = 0; b < buttons.length; ++b) {
        var n = macroOf(buttons[b])
        if (n === 0 || has(sent, n))
            continue
        var kept = stored.filter(function (m) { return m.number === n })
        if (kept.length === 0)
            return refusal("buttons[" + b + "]", "plays macro " + n
                           + ", which neither the file nor this profile holds")
        sent.push(kept[0])
    }
    return sent
}

// [{ number, actions }], each number once, or a refusal.
function checkMacros(list) {
    if (!Array.isArray(list))
        return refusal("macros", "must be a list")
    var seen = {}
    for (var i = 0; i < list.length; ++i) {
        var field = "macros[" + i + "]"
        var m = list[i]
        if (!isObject(m) || Object.keys(m).length !== 2 || !("number" in m) || !("actions" in m))
            return refusal(field, "must hold exactly \"number\" and \"actions\"")
        var n = wholeIn(m.number, 1, MACRO_COUNT, field + ".number")
        if (failed(n))
            return n
        if (seen[n])
            return refusal(field + ".number", n + " appears twice")
        seen[n] = true
        if (!Macros.isActionList(m.actions) || m.actions.length > Macros.ENTRIES)
            return refusal(field + ".actions", "must be 2 to " + Macros.ENTRIES
                           + " whole numbers from 0 to 255")
    }
    return list
}

// The document with another report rate; like the DPI page, a change of rate band also sets the
// sensor modes that go with it.
function withRate(doc, hz) {
    var oldPos = Map.rateNames.map(function (n) { return parseInt(n, 10) }).indexOf(doc.reportRate)
    var newPos = Map.rateNames.map(function (n) { return parseInt(n, 10) }).indexOf(hz)
    doc.reportRate = hz
    var p = oldPos >= 0 && newPos >= 0 ? Map.rateFlagPlan(oldPos, newPos) : null
    if (p) {
        doc.sensor.powerMode = modeNames[p.powerTurbo ? 0 : 1]
        doc.sensor.sensorMode = modeNames[p.workTurbo ? 0 : 1]
        doc.sensor.rippleControl = p.sw2
    }
    return doc
}

// The writes of `after` that differ from those of `before`: a single change writes one setting.
function changedWrites(before, after) {
    var seen = {}
    before.forEach(function (w) { seen[JSON.stringify(w)] = true })
    return after.filter(function (w) { return !seen[JSON.stringify(w)] })
}

// Whether some button of a checked document keeps the left click: a mouse without one is
// given only when the user says so.
function keepsLeftClick(doc) {
    return Buttons.leftClickCount(doc.buttons.map(actionSlot)) > 0
}

// The macro number (1-10) an action plays, or 0.
function macroOf(action) {
    var m = /^macro:([0-9]+)(:repeat)?$/.exec(String(action).toLowerCase())
    return m ? parseInt(m[1], 10) : 0
}
