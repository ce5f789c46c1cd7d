import QtQuick 2.12
import "MacroActions.js" as Actions

// Turns the selected macro item into a key or mouse-button press or release, a delay or the
// end item. Every change is offered to the owner through `edited`; it decides whether it fits.
Item {
    id: editor
    // Code of the selected item; -1 with nothing selected.
    property int code: -1
    property var kindNames: [" ", " ", " ", " "]
    property var actionNames: [" ", " "]
    property string delayText: ""
    readonly property int kind: kindOf(code)
    readonly property bool keyListOpen: keyDrop.isOpen
    signal edited(int code)

    readonly property int kindKey: 0
    readonly property int kindButton: 1
    readonly property int kindDelay: 2
    readonly property int kindEnd: 3
    // What each kind takes when chosen: the last key, button and delay shown.
    property int lastKey: 0x04
    property int lastButton: 0xF0
    property int lastDelayMs: 10
    readonly property bool release: code >= 0 && !Actions.isDelay(code) && Actions.isRelease(code)

    width: 380
    height: 300
    KeyCodeString { id: keys }

    onCodeChanged: {
        if (kind === kindKey)
            lastKey = Actions.usage(code)
        else if (kind === kindButton)
            lastButton = Actions.usage(code)
        else if (kind === kindDelay)
            lastDelayMs = Actions.delayUnits(code) * 10
        delayEdit.accepted = String(lastDelayMs)
    }

    function kindOf(c) {
        if (c < 0)
            return -1
        if (c === Actions.END)
            return kindEnd
        if (Actions.isDelay(c))
            return kindDelay
        var u = Actions.usage(c)
        return u >= 0xF0 && u <= 0xF4 ? kindButton : kindKey
    }

    function action(isRelease, usage) {
        return (isRelease ? Actions.RELEASE : Actions.PRESS) + usage
    }

    function codeOfKind(k) {
        if (k === kindKey)
            return action(release, lastKey)
        if (k === kindButton)
            return action(release, lastButton)
        if (k === kindDelay)
            return Actions.delayItem(lastDelayMs / 10)
        return Actions.END
    }

    // While the key list is open, a pressed key is the key chosen. Returns true when taken.
    function key(usage, down) {
        if (!keyDrop.isOpen || kind !== kindKey || !keys.hasKey(usage))
            return false
        if (down)
            edited(action(release, usage))
        return true
    }

    enabled: code >= 0
    opacity: enabled ? 1 : 0.5

    FickList {
        objectName: "editKind"
        columns: 2
        itemWidth: 180
        model: editor.kindNames
        currentIndex: editor.kind
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onValueChange: editor.edited(editor.codeOfKind(index))
    }
    OptionPair {
        y: 96
        visible: editor.kind === editor.kindKey || editor.kind === editor.kindButton
        names: editor.actionNames
        first: !editor.release
        onChosen: editor.edited(editor.action(!isFirst, Actions.usage(editor.code)))
    }
    PngDropDown {
        id: keyDrop
        objectName: "editKey"
        y: 140
        visible: editor.kind === editor.kindKey
        model: keys.keyCodes.map(function (c) { return keys.keyName(c) })
        currentIndex: keys.keyCodes.indexOf(editor.lastKey)
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onListElementClicked: editor.edited(editor.action(editor.release, keys.keyCodes[index]))
    }
    PngDropDown {
        objectName: "editButton"
        y: 140
        visible: editor.kind === editor.kindButton
        model: keys.mouseButtonNames
        currentIndex: keys.mouseButtonCodes.indexOf(editor.lastButton)
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onListElementClicked: editor.edited(editor.action(editor.release, keys.mouseButtonCodes[index]))
    }
    Row {
        y: 140
        spacing: 12
        visible: editor.kind === editor.kindDelay
        SectionLabel {
            anchors.verticalCenter: parent.verticalCenter
            text: editor.delayText
        }
        PngLineEdit {
            id: delayEdit
            objectName: "editDelay"
            validator: IntValidator { bottom: 0; top: 99999 }
            fontFamily: main.fontFamily
            fontSize: main.fontNormalSize
            onNewInput: editor.edited(Actions.delayItem(Actions.normalisedDelayMs(text) / 10))
        }
    }
}
