import QtQuick 2.12

// Two mutually exclusive options; "first" is true while the first one is chosen.
Row {
    id: pair
    property var names: [" ", " "]
    property bool first: false
    signal chosen(bool isFirst)
    spacing: 28

    CheckBoxBtn {
        text: pair.names[0]
        checked: pair.first
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onBtnClicked: pair.chosen(true)
    }
    CheckBoxBtn {
        text: pair.names[1]
        checked: !pair.first
        fontFamily: main.fontFamily
        fontSize: main.fontNormalSize
        onBtnClicked: pair.chosen(false)
    }
}
