import QtQuick 2.12

// Two mutually exclusive options; "first" is true while the first one is chosen.
Row {
    id: pair
    property var names: [" ", " "]
    property bool first: false
    // The first option can be unavailable on this system while the second stays choosable.
    property bool firstAvailable: true
    signal chosen(bool isFirst)
    spacing: 28

    CheckBoxBtn {
        objectName: "firstOption"
        text: pair.names[0]
        checked: pair.first
        enabled: pair.firstAvailable
        opacity: enabled ? 1 : 0.4
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onBtnClicked: pair.chosen(true)
    }
    CheckBoxBtn {
        objectName: "secondOption"
        text: pair.names[1]
        checked: !pair.first
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onBtnClicked: pair.chosen(false)
    }
}
