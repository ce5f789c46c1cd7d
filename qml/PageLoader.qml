import QtQuick 2.12

// A page of the main page, created on its first visit: pages never opened cost neither start-up
// time nor memory. Once created it stays, with what the user left on it.
Loader {
    id: loader
    property int index
    // The latest device notification of each kind that arrived before the page existed, handed
    // over once it does: each sets one thing, so older ones of a kind are moot.
    property var missed: ({})

    x: 210
    y: 70
    visible: main.currentPage === index
    enabled: !apSetting.isOpen
    active: false
    // visible is the effective visibility: the page is made when the main page shows it.
    onVisibleChanged: active = active || visible
    Component.onCompleted: active = visible
    onLoaded: {
        main.fillPage(item)
        for (var type in missed)
            item.sycnFwData(Number(type), missed[type])
        missed = {}
    }

    function deliver(type, value) {
        if (item)
            item.sycnFwData(type, value)
        else
            missed[type] = value
    }
}
