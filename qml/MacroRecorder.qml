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
    // Mouse buttons pressed on the record button itself start and stop, they are not recorded.
    property bool pointerOnRecordButton: false
    // Time of the previous recorded event; -1 before the first one.
    property double lastEventMs: -1
    readonly property int length: Actions.lengthOf(items)
    readonly property int usageF10: 0x43
    readonly property int usageF12: 0x45
    signal started()
    signal stopped()

    readonly property KeyCodeString keys: KeyCodeString {}

    function start() {
        if (recording)
            return
        items = []
        lastEventMs = -1
        recording = true
        started()
    }

    function stop() {
        if (!recording)
            return
        if (items.length === 0)
            items = [Actions.END]
        recording = false
        stopped()
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
        if (!recording || !recordButtons || pointerOnRecordButton || id < 1 || id > 5)
            return
        record((down ? Actions.PRESS : Actions.RELEASE) + 0xF0 + id - 1)
    }

    // Wall-clock differences never wrap; a clock set back gives no delay, a long pause the
    // longest one.
    function record(code) {
        var now = Date.now()
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
