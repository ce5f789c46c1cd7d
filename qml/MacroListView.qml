import QtQuick 2.12

// A clipped list of texts with a highlighted current row.
Item {
    id: view
    property int currentIndex: -1
    property int rowHeight: 32
    property int fontSize: 18
    property string fontFamily: "times new roman"
    property alias count: model.count
    signal clicked(int index)

    function listCreate(txts, current) {
        model.clear()
        for (var i = 0; i < txts.length; ++i)
            model.append({ txt: txts[i] })
        // Clearing the model moved the list's own current row: an unchanged index must still
        // reach it.
        currentIndex = -1
        currentIndex = current
        list.positionViewAtIndex(Math.max(0, current), ListView.Contain)
    }

    function textAt(i) {
        return i >= 0 && i < model.count ? model.get(i).txt : ""
    }

    LazyImage {
        anchors.fill: parent
        picture: "file:modules/img/GlobalModule/list_bg.png"
    }
    ListModel { id: model }
    ListView {
        id: list
        anchors.fill: parent
        anchors.margins: 4
        clip: true
        model: model
        currentIndex: view.currentIndex
        boundsBehavior: Flickable.StopAtBounds
        highlightMoveDuration: 0
        highlight: Rectangle { color: "#e4002b"; opacity: 0.35; radius: 3 }
        delegate: Item {
            // Rows are named after their list, so that each can be found and clicked.
            objectName: view.objectName === "" ? "" : view.objectName + "Row" + index
            width: list.width
            height: view.rowHeight
            Text {
                anchors.left: parent.left
                anchors.leftMargin: 10
                anchors.verticalCenter: parent.verticalCenter
                text: txt
                color: index === view.currentIndex ? "#ffffff" : "#d9d9d9"
                font.family: view.fontFamily
                font.pixelSize: view.fontSize
            }
            MouseArea {
                anchors.fill: parent
                onClicked: {
                    view.currentIndex = index
                    view.clicked(index)
                }
            }
        }
    }
}
