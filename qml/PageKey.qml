import QtQuick 2.12
import "DeviceMap.js" as Map
import "ButtonMap.js" as Buttons

// Assignment of the seven mouse buttons: mouse functions, key combinations, macros, media keys.
Item {
    id: page
    width: 1060
    height: 640

    property var slots: Buttons.defaultSlots.slice()
    property int curSlot: 0
    property int curGroup: 0
    readonly property int macroCount: 10
    property var groupNames: [" ", " ", " ", " ", " "]
    property var fixedNames: ({ 0: [], 3: [], 4: [] })
    readonly property alias keyPicker: keyPicker
    readonly property alias macroList: macroList
    KeyCodeString { id: keys }

    function txt(i) {
        return main.lang(main.pgKeyLang, i)
    }

    function initListStr() {
        groupNames = [txt(1), txt(2), txt(3), txt(4), txt(5)]
        var names = {}
        for (var g in Buttons.langBase) {
            var list = []
            for (var i = 0; i < Buttons.fixedGroups[g].length; ++i)
                list.push(txt(Buttons.langBase[g] + i))
            names[g] = list
        }
        fixedNames = names
        refreshGroupList()
        refreshMacroList()
    }

    function initUI(t0, t1) {
        var l = []
        for (var i = 0; i < Buttons.SLOT_COUNT; ++i)
            l.push(Buttons.decodeSlot(t1, i, slots[i]))
        slots = l
        selectSlot(curSlot)
    }

    // Text shown for a slot: the assignment's name, with the keys or the macro it holds.
    function slotName(text) {
        var s = Buttons.parse(text)
        var name = txt(Buttons.langIndex(text))
        if (name === "" || name === " ")
            name = Buttons.defaultName(text)
        if (s.group === Buttons.GROUP_KEYBOARD)
            return name + ": " + keyComboName([s.p2, s.p1, s.code])
        if (s.group === Buttons.GROUP_MACRO)
            return name + ": " + macroName(s.code)
        return name
    }

    function keyComboName(codes) {
        var parts = []
        for (var i = 0; i < codes.length; ++i) {
            if (codes[i] !== 0)
                parts.push(keys.hasKey(codes[i]) ? keys.keyName(codes[i]) : "0x" + codes[i].toString(16))
        }
        return parts.join(" + ")
    }

    function macroName(n) {
        return "Macro " + (n + 1)
    }

    function selectSlot(i) {
        curSlot = i
        var s = Buttons.parse(slots[i])
        curGroup = s.group
        refreshGroupList()
        if (s.group === Buttons.GROUP_KEYBOARD)
            keyPicker.setKeys([s.p2, s.p1, s.code])
        else if (s.group === Buttons.GROUP_MACRO) {
            macroList.currentIndex = s.code
            runMode.first = s.p2 !== Buttons.MACRO_REPEAT
        }
    }

    function refreshGroupList() {
        if (fixedNames[curGroup] === undefined)
            return
        var s = Buttons.parse(slots[curSlot])
        groupList.listCreate(fixedNames[curGroup], s.group === curGroup ? s.index : -1)
    }

    function refreshMacroList() {
        var l = []
        for (var i = 0; i < macroCount; ++i)
            l.push(macroName(i))
        macroList.listCreate(l, macroList.currentIndex)
    }

    // Writes a new assignment. Giving away the last left click needs the user's yes. A macro
    // button is only written once the mouse holds the stored macro it points at.
    function assign(slot, text) {
        var old = slots[slot]
        if (old === text)
            return false
        if (Buttons.isLeftClick(old) && Buttons.leftClickCount(slots) === 1 && !ui_Ctl.msgboxKey())
            return false
        var s = Buttons.parse(text)
        if (s.group === Buttons.GROUP_MACRO && !ui_View.setOtherProperty(s.code, [], true)) {
            ui_Ctl.msgbox(txt(23), txt(40), false)
            // The macro list shows the button's macro again, not the one refused.
            var held = Buttons.parse(old)
            macroList.currentIndex = held.group === Buttons.GROUP_MACRO ? held.code : -1
            return false
        }
        var l = slots.slice()
        l[slot] = text
        slots = l
        var w = Buttons.slotWrite(slot, text)
        hid.hid_Send8ByteData(w[0], w[1], w[2], w[3], w[4], w[5], w[6])
        return true
    }

    function assignFixed(index) {
        return assign(curSlot, Buttons.fixedText(curGroup, index))
    }

    function assignKeys(codes) {
        return assign(curSlot, Buttons.keyboardText(codes[0], codes[1], codes[2]))
    }

    function assignMacro(macro, repeat) {
        if (macro < 0 || macro >= macroCount) {
            ui_Ctl.msgbox(txt(23), txt(25), false)
            return false
        }
        return assign(curSlot, Buttons.macroText(repeat ? Buttons.MACRO_REPEAT : Buttons.MACRO_FIXED, macro))
    }

    LazyImage {
        anchors.fill: parent
        picture: main.img("PageKey", "bg")
    }
    SectionTitle { x: 24; y: 14; text: page.txt(0) }
    LazyImage {
        x: 30
        y: 100
        width: 360
        height: 460
        picture: main.img("PageKey", "mouse")
    }
    Column {
        x: 410
        y: 70
        spacing: 16
        Repeater {
            model: Buttons.SLOT_COUNT
            delegate: PngPushButton {
                objectName: "slot" + index
                width: 240
                height: 44
                srcs: main.btnImgs("PageKey", "slot")
                isHold: index === page.curSlot
                onClicked: page.selectSlot(index)
                Text {
                    x: 12
                    anchors.verticalCenter: parent.verticalCenter
                    text: String(index + 1)
                    color: main.colorHightLight
                    font.family: main.fontFamily
                    font.pixelSize: main.fontTitleSize
                    font.bold: true
                }
                Text {
                    x: 44
                    width: 186
                    anchors.verticalCenter: parent.verticalCenter
                    elide: Text.ElideRight
                    text: page.slotName(page.slots[index])
                    color: index === page.curSlot ? main.selectColor : main.baseColor
                    font.family: main.fontFamily
                    font.pixelSize: main.fontNormalSize
                }
            }
        }
    }

    FickList {
        objectName: "groupTabs"
        x: 680
        y: 60
        columns: 2
        itemWidth: 176
        model: page.groupNames
        currentIndex: page.curGroup
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onValueChange: {
            page.curGroup = index
            page.refreshGroupList()
        }
    }
    MacroListView {
        id: groupList
        x: 680
        y: 200
        width: 360
        height: 400
        visible: page.fixedNames[page.curGroup] !== undefined
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onClicked: {
            if (!page.assignFixed(index))
                page.refreshGroupList()
        }
    }
    KeyboardPicker {
        id: keyPicker
        x: 680
        y: 200
        visible: page.curGroup === Buttons.GROUP_KEYBOARD
        hint: page.txt(8)
        applyText: page.txt(9)
        clearText: page.txt(19)
        onApply: page.assignKeys(codes)
    }
    Item {
        x: 680
        y: 200
        width: 360
        height: 400
        visible: page.curGroup === Buttons.GROUP_MACRO
        MacroListView {
            id: macroList
            objectName: "keyMacroList"
            width: 360
            height: 260
            fontFamily: main.fontFamily
            fontSize: main.fontNormalSize
        }
        SectionLabel { y: 276; text: page.txt(22) }
        OptionPair {
            id: runMode
            y: 306
            first: true
            names: [page.txt(6), page.txt(7)]
            onChosen: first = isFirst
        }
        TextButton {
            objectName: "macroApply"
            y: 350
            text: page.txt(9)
            enabled: macroList.currentIndex >= 0
            onClicked: page.assignMacro(macroList.currentIndex, !runMode.first)
        }
    }
}
