import QtQuick 2.12
import QtTest 1.2
import "qrc:/qml"

// The shared components on their own: pictures per state, signals, text fields.
Item {
    width: 800
    height: 600

    PngPushButton { id: button; x: 10; y: 10; width: 100; height: 40; srcs: ["n", "h", "h2", "p"]; text: "Go" }
    PngPushButton { id: check; x: 10; y: 60; width: 100; height: 40; srcs: ["n", "h", "h2", "p"]; checkable: true }
    PngLineEdit {
        id: edit
        x: 10
        y: 110
        validator: IntValidator { bottom: 10; top: 500 }
        property var got: []
        onNewInput: { got.push(text); accepted = text }
    }
    TextInput { id: other; x: 200; y: 110; width: 50; height: 20 }
    PngDropDown { id: drop; x: 300; y: 10; model: ["a", "b", "c", "d", "e", "f"] }
    FickList { id: fick; x: 10; y: 200; model: ["x", "y", "z"] }
    MacroListView { id: list; x: 10; y: 300; width: 200; height: 200 }
    SignalSpy { id: clickSpy; target: button; signalName: "clicked" }
    SignalSpy { id: openSpy; target: drop; signalName: "listOpened" }
    SignalSpy { id: closeSpy; target: drop; signalName: "listClosed" }
    SignalSpy { id: pickSpy; target: drop; signalName: "listElementClicked" }
    SignalSpy { id: fickSpy; target: fick; signalName: "valueChange" }
    SignalSpy { id: listSpy; target: list; signalName: "clicked" }

    TestCase {
        name: "Components"
        when: windowShown

        function test_push_button_pictures() {
            compare(button.pictureIndex(), 0)
            compare(button.textColor(), "#595959")
            mouseMove(button, 50, 20)
            compare(button.pictureIndex(), 2)
            compare(button.textColor(), "#d9d9d9")
            mousePress(button, 50, 20)
            compare(button.pictureIndex(), 3)
            compare(button.textColor(), "#e4002b")
            mouseRelease(button, 50, 20)
            compare(clickSpy.count, 1)
            button.isHold = true
            mouseMove(button, 300, 300)
            compare(button.pictureIndex(), 3)
            compare(button.textColor(), "#e4002b")
            button.isHold = false
        }

        function test_checkable_button() {
            compare(check.pictureIndex(), 0)
            mouseClick(check)
            verify(check.checked)
            compare(check.pictureIndex(), 3)
            mouseClick(check)
            verify(!check.checked)
        }

        function test_line_edit_commits_on_enter_and_focus_loss() {
            compare(edit.text, "10")
            edit.input.forceActiveFocus()
            edit.text = "250"
            other.forceActiveFocus()
            compare(edit.got, ["250"])
            edit.input.forceActiveFocus()
            edit.text = "7"
            other.forceActiveFocus()
            compare(edit.text, "250", "an unacceptable text is undone")
            edit.input.forceActiveFocus()
            other.forceActiveFocus()
            compare(edit.got, ["250"], "an unchanged text is not reported")
            edit.input.forceActiveFocus()
            edit.text = "300"
            keyClick(Qt.Key_Return)
            compare(edit.got, ["250", "300"], "Enter reports at once, once")
            verify(!edit.input.activeFocus)
        }

        function test_drop_down() {
            compare(drop.currentIndex, -1)
            mouseClick(drop)
            verify(drop.isOpen)
            compare(openSpy.count, 1)
            drop.select(4)
            compare(pickSpy.signalArguments[0][0], 4)
            compare(closeSpy.count, 1)
            verify(!drop.isOpen)
        }

        // The lists report a choice and leave the shown entry to their owner's binding.
        function test_lists_report_choices_without_taking_them() {
            waitForRendering(fick)
            fick.currentIndex = 0
            mouseClick(fick, 2 * 138 + 65, 18)
            compare(fickSpy.signalArguments[0][0], 2)
            compare(fick.currentIndex, 0)
            fick.currentIndex = 2
            mouseClick(fick, 2 * 138 + 65, 18)
            compare(fickSpy.count, 2, "the shown entry is applied again")
            drop.currentIndex = 1
            drop.select(3)
            compare(drop.currentIndex, 1)
            drop.currentIndex = -1
            list.listCreate(["one", "two", "three"], 1)
            compare(list.count, 3)
            compare(list.currentIndex, 1)
            compare(list.textAt(2), "three")
        }
    }
}
