import QtQuick 2.12
import QtTest 1.2
import "qrc:/qml/MacroActions.js" as Actions

// Recorded gaps: the device adds 10 ms a step, and no gap wraps or grows past what it stores.
TestCase {
    name: "MacroGaps"

    function test_gaps_become_delay_units() {
        compare(Actions.unitsForGap(19), 0, "below 20 ms no delay item")
        compare(Actions.unitsForGap(50), 4)
        compare(Actions.unitsForGap(1500), 149)
        compare(Actions.unitsForGap(70000), 6999, "a minute and more does not wrap")
        compare(Actions.unitsForGap(3600000), 65535, "the longest storable delay")
        compare(Actions.unitsForGap(-5000), 0, "no negative delay")
    }
}
