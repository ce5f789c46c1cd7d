import QtQuick 2.12

// An image-backed text field that reports a new, acceptable text on Enter and when it loses focus.
Item {
    id: edit
    property alias text: input.text
    property alias validator: input.validator
    property alias input: input
    property string accepted: "10"
    property int fontSize: 18
    property string fontFamily: "times new roman"
    signal newInput(string text)

    width: 90
    height: 30
    Component.onCompleted: input.text = accepted
    onAcceptedChanged: input.text = accepted

    LazyImage {
        anchors.fill: parent
        picture: "file:modules/img/GlobalModule/lineedit_bg.png"
    }
    TextInput {
        id: input
        anchors.fill: parent
        anchors.leftMargin: 6
        anchors.rightMargin: 6
        verticalAlignment: TextInput.AlignVCenter
        horizontalAlignment: TextInput.AlignHCenter
        color: "#ffffff"
        selectionColor: "#e4002b"
        font.family: edit.fontFamily
        font.pixelSize: edit.fontSize
        selectByMouse: true
        clip: true
        // Enter commits at once; the focus is given up too, so no second commit follows.
        onAccepted: {
            edit.commit()
            focus = false
        }
        // Enter on a text the validator refuses (an empty field) brings the last accepted
        // text back at once instead of leaving the field empty.
        Keys.onReturnPressed: edit.enterPressed(event)
        Keys.onEnterPressed: edit.enterPressed(event)
        onActiveFocusChanged: {
            if (!activeFocus)
                edit.commit()
        }
    }

    function enterPressed(event) {
        event.accepted = !input.acceptableInput
        if (event.accepted) {
            commit()
            input.focus = false
        }
    }

    // The owner answers newInput by updating "accepted" (it may normalise the value); anything
    // else brings the last accepted text back.
    function commit() {
        if (input.acceptableInput && input.text !== accepted)
            newInput(input.text)
        input.text = accepted
    }
}
