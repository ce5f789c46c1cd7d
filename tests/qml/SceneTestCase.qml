import QtQuick 2.12
import QtTest 1.2

// Loads a fresh scene from the program's resources for every test and offers table helpers.
TestCase {
    id: tc
    when: windowShown
    width: 1280
    height: 720
    property Item scene: loader.item

    Loader {
        id: loader
        width: 1280
        height: 720
    }

    function init() {
        // A TestCase is never visible itself; the scene goes beside it in the window.
        loader.parent = tc.parent
        hid.reset()
        ui_View.reset()
        ui_Ctl.reset()
        qmlWarnings.take()
        loader.source = ""
        loader.source = "qrc:/qml/main.qml"
        verify(loader.item !== null, "main.qml loads")
    }

    function cleanup() {
        loader.source = ""
        compare(qmlWarnings.take(), [], "the scene printed no warnings")
    }

    function zeros(n) {
        var l = []
        for (var i = 0; i < n; ++i)
            l.push(0)
        return l
    }

    // A table 0 image that passes the validity check, with image indexes set from a map.
    function table0(set) {
        var t = zeros(64)
        t[9] = 1
        for (var k in set)
            t[parseInt(k, 10)] = set[k]
        return t
    }

    function table1(set) {
        var t = zeros(128)
        t[4] = 4
        for (var k in set)
            t[parseInt(k, 10)] = set[k]
        return t
    }

    function writes() {
        return hid.calls("hid_Send8ByteData")
    }

    // Online entries as the bridge reports them: [device string, suffix] each.
    function online(entries) {
        hid.setResult("hid_GetDeviceStrCount", entries.length)
        ui_View.setResult("initDeviceOnline", entries)
    }

    // Shows page n of the open device's main page, which creates it on the first visit.
    function visit(n) {
        scene.currentPage = n
        return [scene.pageDpi, scene.pageKey, scene.pageMacro, scene.pageLed, scene.pageUpdate][n]
    }

    // Opens the device through a card click with the given tables.
    function openDevice(t0, t1, mid, did) {
        if (!scene.visible) {
            online([["NORVIK GAMING Quillex", "M8K"]])
            scene.initUI()
        }
        ui_View.setResult("syncFwData_Table0", t0)
        ui_View.setResult("syncFwData_Table1", t1)
        scene.initDevice(0, "NORVIK GAMING Quillex", mid === undefined ? 2 : mid,
                         did === undefined ? 2 : did, true)
        hid.reset()
    }
}
