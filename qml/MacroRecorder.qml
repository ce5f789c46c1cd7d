import QtQuick 2.12
import "MacroActions.js" as Actions

// Records key and mouse-button events into macro items, with the gaps between them as delays.
QtObject {
    id: recorder
    property bool recording: false
    property var items: []
    property bool hotKeys: false
    property bool recordButtons: false
    property bool fixedDelay: false
    property int fixedDelayMs: 10
    // Buttons pressed during this recording. The click that starts a recording was pressed
    // before it and the click that stops it is never released within it: only whole presses
    // are kept, so neither reaches the macro, however fast the pointer moved.
    property var buttonsDown: [false, false, false, false, false]
    // Time of the previous recorded event; -1 before the first one.
    property double lastEventMs: -1
    readonly property int length: Actions.lengthOf(items)
    readonly property int usageF10: 0x43
    readonly property int usageF12: 0x45
    signal started()
    signal stopped()
    signal cancelled()

    readonly property KeyCodeString keys: KeyCodeString {}

    function start() {
        if (recording)
            return
        items = []
        lastEventMs = -1
        buttonsDown = [false, false, false, false, false]
        recording = true
        started()
    }

    function stop() {
        if (!recording)
            return
        var l = items.slice()
        for (var b = 0; b < 5; ++b)
            if (buttonsDown[b])
                dropLastPress(l, Actions.PRESS + 0xF0 + b)
        items = l.length === 0 ? [Actions.END] : l
        recording = false
        stopped()
    }

    // The left click on the record button that stops the recording may have been captured
    // whole before the button saw it: it is no part of the macro.
    function stopByClick() {
        var l = items.slice()
        var leftPress = Actions.PRESS + 0xF0, leftRelease = Actions.RELEASE + 0xF0
        if (recording && l.length > 0 && l[l.length - 1] === leftRelease) {
            l.pop()
            if (l.length > 0 && Actions.isDelay(l[l.length - 1]))
                l.pop()
            dropLastPress(l, leftPress)
            items = l
        }
        stop()
    }

    // A recording cut short (the device left) is dropped: what is stored and what the mouse
    // holds stay the same.
    function cancel() {
        if (!recording)
            return
        items = []
        recording = false
        cancelled()
    }

    // Removes the last press of `code` and the delay right before it.
    function dropLastPress(l, code) {
        var i = l.lastIndexOf(code)
        if (i < 0)
            return
        var from = i > 0 && Actions.isDelay(l[i - 1]) ? i - 1 : i
        l.splice(from, i - from + 1)
    }

    // Returns true when the key was taken by the recorder (recorded or a hot key).
    function key(usage, down) {
        if (hotKeys && usage === usageF10) {
            if (!recording && !down)
                start()
            return true
        }
        if (!recording)
            return false
        if (hotKeys && usage === usageF12) {
            if (down)
                stop()
            return true
        }
        if (keys.hasKey(usage))
            record((down ? Actions.PRESS : Actions.RELEASE) + usage)
        return true
    }

    // Button ids 1 to 5 (left, right, middle, back, forward) become buttons 0 to 4.
    function button(id, down) {
        if (!recording || !recordButtons || id < 1 || id > 5)
            return
        var b = id - 1
        if (down === buttonsDown[b])
            return
        var state = buttonsDown.slice()
        state[b] = down
        buttonsDown = state
        record((down ? Actions.PRESS : Actions.RELEASE) + 0xF0 + b)
    }

    // Gaps come from a monotonic clock, so a 70 s pause is 70 s, never a wrapped 10 s; pauses
    // beyond the longest storable delay become that delay.
    function record(code) {
        var now = ui_Ctl.elapsedMs()
        var l = items.slice()
        if (lastEventMs >= 0) {
            var n = Actions.unitsForGap(fixedDelay ? fixedDelayMs : now - lastEventMs)
            if (n > 0)
                append(l, Actions.delayItem(n))
        }
        lastEventMs = now
        append(l, code)
        items = l
        if (Actions.lengthOf(l) >= Actions.ENTRIES)
            stop()
    }

    function append(l, code) {
        if (Actions.lengthOf(l) + Actions.entriesOf(code) <= Actions.ENTRIES)
            l.push(code)
    }
}
