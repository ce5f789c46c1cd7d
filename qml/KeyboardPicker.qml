import QtQuick 2.12

// Up to three keys, chosen from lists or by pressing them while capture is on.
Item {
    id: picker
    property var codes: [0, 0, 0]
    property bool capturing: false
    property string hint: ""
    property string applyText: ""
    property string clearText: ""
    readonly property var choiceCodes: [0].concat(keys.keyCodes)
    readonly property var choiceNames: buildChoiceNames()
    // A binding without a key would leave the button dead.
    readonly property bool hasKey: codes.some(function (c) { return c !== 0 })
    signal apply(var codes)

    width: 360
    height: 400
    KeyCodeString { id: keys }

    function buildChoiceNames() {
        var l = ["-"]
        for (var i = 0; i < keys.keyCodes.length; ++i)
            l.push(keys.keyName(keys.keyCodes[i]))
        return l
    }

    function setKeys(list) {
        codes = list.slice(0, 3)
        capturing = false
    }

    // A pressed key fills the next free place; a fourth key starts over. Called from a native
    // signal, so every name is qualified.
    function onKey(u8HidKey, bKeyDown) {
        var code = Number(u8HidKey)
        if (!picker.capturing || !picker.visible || !bKeyDown || !keys.hasKey(code))
            return
        var l = picker.codes.slice()
        if (l.indexOf(code) >= 0)
            return
        var free = l.indexOf(0)
        if (free < 0)
            l = [code, 0, 0]
        else
            l[free] = code
        picker.codes = l
    }

    Connections {
        target: ui_Ctl
        function onEvtHidKeyboardKey(u8HidKey, bKeyDown) { picker.onKey(u8HidKey, bKeyDown) }
    }

    Row {
        spacing: 15
        Repeater {
            model: 3
            delegate: PngDropDown {
                objectName: "keyDrop" + index
                readonly property int place: index
                width: 110
                model: picker.choiceNames
                currentIndex: picker.choiceCodes.indexOf(picker.codes[index])
                fontFamily: main.fontFamily
                fontSize: main.fontNormalSize
                onListElementClicked: {
                    var l = picker.codes.slice()
                    l[place] = picker.choiceCodes[index]
                    picker.codes = l
                }
            }
        }
    }
    CheckBoxBtn {
        y: 200
        text: picker.hint
        checked: picker.capturing
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onBtnClicked: picker.capturing = !picker.capturing
    }
    Row {
        y: 250
        spacing: 20
        TextButton {
            objectName: "keyApply"
            text: picker.applyText
            enabled: picker.hasKey
            onClicked: {
                picker.capturing = false
                picker.apply(picker.codes)
            }
        }
        TextButton {
            objectName: "keyClear"
            text: picker.clearText
            onClicked: picker.codes = [0, 0, 0]
        }
    }
}
