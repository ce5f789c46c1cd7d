import QtQuick 2.12

// The ten macros of the current profile. Loads the chosen macro whenever the page is shown or a
// device is opened.
Item {
    id: page
    width: 1060
    height: 640

    property int curMacro: 0
    property int playCount: 1
    property var actions: []
    readonly property alias macroList: macroList

    function txt(i) {
        return main.lang(main.pgMacroLang, i)
    }

    function macroNames() {
        var l = []
        for (var i = 0; i < 10; ++i)
            l.push("Macro " + (i + 1))
        return l
    }

    function initUI() {
        macroList.listCreate(macroNames(), curMacro)
        loadMacro(curMacro)
    }

    function syncUi() {
        loadMacro(curMacro)
    }

    // A stored macro is JSON with an "Actions" list; anything else leaves the list empty.
    function loadMacro(index) {
        curMacro = index
        var stored = ui_View.getOtherProperty("MACRO", String(index), main.deviceStr)
        var list = []
        try {
            var obj = JSON.parse(stored)
            if (obj && Array.isArray(obj.Actions))
                list = obj.Actions
        } catch (e) {
            list = []
        }
        actions = list
        playCount = list.length > 1 ? list[0] * 256 + list[1] : 1
    }

    Image {
        anchors.fill: parent
        source: main.img("PageMacro", "bg")
    }
    SectionTitle { x: 24; y: 14; text: page.txt(0) }
    MacroListView {
        id: macroList
        x: 24
        y: 60
        width: 280
        height: 560
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onClicked: page.loadMacro(index)
    }
    SectionLabel { x: 346; y: 20; text: page.txt(5) + ": " + page.playCount }
}
