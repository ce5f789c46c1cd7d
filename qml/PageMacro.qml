import QtQuick 2.12
import "MacroActions.js" as Actions

// The ten macros of the current profile: recording, editing and saving. The chosen macro is
// loaded whenever a device is opened, the page is shown or another macro is chosen.
Item {
    id: page
    width: 1060
    height: 640

    property int curMacro: 0
    property int playCount: 1
    property var items: []
    property int curItem: -1
    // "ok", "absent" or "damaged": how the shown macro was read from the profile.
    property string loadState: "absent"
    property bool saveFailed: false
    // Edits not saved yet outlive a read of the same device and profile again (a replug, another
    // device plugged in): only the save button stores them, and nothing else may drop them.
    property bool edited: false
    property string loadedFor: ""
    readonly property bool recording: recorder.recording
    readonly property var shownItems: recording ? recorder.items : items
    readonly property int length: Actions.lengthOf(items)
    readonly property alias macroList: macroList
    readonly property alias actionList: actionList
    readonly property alias recorder: recorder
    KeyCodeString { id: keys }

    function txt(i) {
        return main.lang(main.pgMacroLang, i)
    }

    function initUI() {
        showMacroNames()
        if (!edited || loadedFor !== storeKey())
            loadMacro(curMacro)
    }

    function storeKey() {
        return main.deviceStr + "/" + apSetting.currentProfile
    }

    function syncUi() {
        loadMacro(curMacro)
    }

    function showMacroNames() {
        var l = []
        for (var i = 0; i < 10; ++i)
            l.push(txt(1) + " " + (i + 1))
        macroList.listCreate(l, curMacro)
    }

    function loadMacro(index) {
        curMacro = index
        var r = Actions.parseStored(ui_View.getOtherProperty("MACRO", String(index), main.deviceStr),
                                    keys.hasKey)
        loadState = r.state
        saveFailed = false
        playCount = r.playCount
        curItem = -1
        items = r.items
        edited = false
        loadedFor = storeKey()
    }

    function save() {
        var ok = ui_View.setOtherProperty(curMacro, { "MacroId": curMacro, "Name": "",
                                                      "Actions": Actions.actionList(playCount, items) },
                                          false)
        saveFailed = !ok
        loadState = "ok"
        edited = !ok
    }

    function pad3(n) {
        return ("00" + n).slice(-3)
    }

    function itemText(i, code) {
        var head = pad3(i + 1) + ": "
        if (code === Actions.END)
            return head + txt(17)
        if (Actions.isDelay(code))
            return head + txt(23) + " " + Actions.delayUnits(code) * 10
        var u = Actions.usage(code)
        var name = u >= 0xF0 ? keys.mouseButtonName(u) : keys.keyName(u)
        return head + (Actions.isRelease(code) ? "\u25B2 " : "\u25BC ") + name
    }

    function showItems() {
        var l = []
        for (var i = 0; i < shownItems.length; ++i)
            l.push(itemText(i, shownItems[i]))
        actionList.listCreate(l, recording ? l.length - 1 : curItem)
    }
    onShownItemsChanged: showItems()
    onCurItemChanged: actionList.currentIndex = curItem

    // Edits change the shown macro only; the save button stores and uploads it.
    function replaceItem(code) {
        if (curItem < 0 || curItem >= items.length)
            return
        var l = items.slice()
        l[curItem] = code
        if (Actions.lengthOf(l) <= Actions.ENTRIES) {
            items = l
            edited = true
        }
    }

    function insertItem() {
        if (length + Actions.entriesOf(Actions.END) > Actions.ENTRIES)
            return
        var at = curItem >= 0 ? curItem : items.length
        var l = items.slice()
        l.splice(at, 0, Actions.END)
        items = l
        edited = true
        curItem = at
    }

    function deleteItem() {
        if (curItem < 0 || curItem >= items.length)
            return
        var l = items.slice()
        l.splice(curItem, 1)
        var next = Math.min(curItem, l.length - 1)
        items = l
        edited = true
        curItem = next
    }

    function setPlayCount(text) {
        playCount = Actions.normalisedPlayCount(text)
        save()
    }

    // While recording the recorder takes every key; otherwise an open key list of the editor,
    // then the start hot key, but only on the page in view.
    Connections {
        target: ui_Ctl
        function onEvtHidKeyboardKey(u8HidKey, bKeyDown) {
            var usage = Number(u8HidKey)
            var down = Boolean(bKeyDown)
            if (!recorder.recording && !(page.visible && page.enabled && main.deviceStr !== ""))
                return
            if (!recorder.recording && editor.key(usage, down))
                return
            recorder.key(usage, down)
        }
        function onEvtRelativeMouseButton(u8ButtonId, bKeyDown, axisX, axisY) {
            recorder.button(Number(u8ButtonId), Boolean(bKeyDown))
        }
    }
    Connections {
        target: main
        // A device that leaves ends its recording: navigation must not stay locked.
        function onDeviceStrChanged() {
            if (main.deviceStr === "")
                recorder.cancel()
        }
        function onPgMacroLangChanged() {
            page.showMacroNames()
            page.showItems()
        }
    }

    MacroRecorder {
        id: recorder
        hotKeys: hotKeyOption.checked
        recordButtons: buttonOption.checked
        fixedDelay: fixedDelayOption.checked
        fixedDelayMs: Number(fixedDelayEdit.accepted)
        onStarted: {
            main.isMacroLock = false
            main.setMainFouces()
            page.curItem = -1
        }
        onCancelled: main.isMacroLock = true
        onStopped: {
            main.isMacroLock = true
            page.items = recorder.items
            page.save()
        }
    }

    LazyImage {
        anchors.fill: parent
        picture: main.img("PageMacro", "bg")
    }
    SectionTitle { x: 24; y: 14; text: page.txt(0) }
    TextButton {
        id: recordButton
        objectName: "recordButton"
        x: 640
        y: 14
        isHold: page.recording
        text: page.recording ? page.txt(3) : page.txt(2)
        onClicked: page.recording ? recorder.stopByClick() : recorder.start()
    }

    // Everything but the record button waits while a macro is recorded.
    Item {
        anchors.fill: parent
        enabled: !page.recording

        MacroListView {
            id: macroList
            objectName: "macroList"
            x: 24
            y: 60
            width: 220
            height: 560
            fontFamily: main.fontFamily
            fontSize: main.fontNormalSize
            onClicked: page.loadMacro(index)
        }
        SectionLabel { x: 270; y: 20; text: page.txt(18) }
        MacroListView {
            id: actionList
            objectName: "actionList"
            x: 270
            y: 60
            width: 340
            height: 510
            fontFamily: main.fontFamily
            fontSize: main.fontNormalSize
            onClicked: page.curItem = index
        }
        Row {
            x: 270
            y: 584
            spacing: 20
            TextButton {
                objectName: "insertButton"
                text: page.txt(6)
                onClicked: page.insertItem()
            }
            TextButton {
                objectName: "deleteButton"
                text: page.txt(7)
                enabled: page.curItem >= 0
                onClicked: page.deleteItem()
            }
        }

        Column {
            x: 640
            y: 70
            spacing: 12
            CheckBoxBtn {
                id: hotKeyOption
                objectName: "hotKeyOption"
                text: page.txt(10)
                fontFamily: main.fontFamily
                fontSize: main.fontNormalSize
                onBtnClicked: checked = !checked
            }
            CheckBoxBtn {
                id: buttonOption
                objectName: "buttonOption"
                text: page.txt(9)
                fontFamily: main.fontFamily
                fontSize: main.fontNormalSize
                onBtnClicked: checked = !checked
            }
            Row {
                spacing: 16
                CheckBoxBtn {
                    id: fixedDelayOption
                    objectName: "fixedDelayOption"
                    anchors.verticalCenter: parent.verticalCenter
                    text: page.txt(8)
                    fontFamily: main.fontFamily
                    fontSize: main.fontNormalSize
                    onBtnClicked: checked = !checked
                }
                PngLineEdit {
                    id: fixedDelayEdit
                    objectName: "fixedDelayEdit"
                    validator: IntValidator { bottom: 0; top: 99999 }
                    fontFamily: main.fontFamily
                    fontSize: main.fontNormalSize
                    onNewInput: accepted = String(Actions.normalisedDelayMs(text))
                }
            }
            Row {
                spacing: 16
                SectionLabel {
                    anchors.verticalCenter: parent.verticalCenter
                    text: page.txt(5)
                }
                PngLineEdit {
                    objectName: "playCountEdit"
                    validator: IntValidator { bottom: 0; top: 9999 }
                    accepted: String(page.playCount)
                    fontFamily: main.fontFamily
                    fontSize: main.fontNormalSize
                    onNewInput: page.setPlayCount(text)
                }
            }
        }

        SectionLabel { x: 640; y: 250; text: page.txt(19) }
        TextButton {
            objectName: "saveButton"
            x: 880
            y: 240
            text: page.txt(4)
            onClicked: page.save()
        }
        MacroEditor {
            id: editor
            x: 640
            y: 290
            z: 1
            code: page.curItem >= 0 && page.curItem < page.items.length ? page.items[page.curItem] : -1
            kindNames: [page.txt(14), page.txt(15), page.txt(16), page.txt(17)]
            actionNames: [page.txt(12), page.txt(13)]
            delayText: page.txt(11)
            onEdited: page.replaceItem(code)
        }

        Column {
            x: 640
            y: 520
            width: 400
            spacing: 6
            SectionLabel {
                objectName: "focusNotice"
                width: parent.width
                wrapMode: Text.WordWrap
                visible: !ui_Ctl.captureEverywhere
                text: page.txt(20)
            }
            SectionLabel {
                objectName: "damagedNotice"
                width: parent.width
                wrapMode: Text.WordWrap
                visible: page.loadState === "damaged"
                color: main.colorHightLight
                text: page.txt(21)
            }
            SectionLabel {
                objectName: "saveFailedNotice"
                width: parent.width
                wrapMode: Text.WordWrap
                visible: page.saveFailed
                color: main.colorHightLight
                text: page.txt(22)
            }
        }
    }
}
