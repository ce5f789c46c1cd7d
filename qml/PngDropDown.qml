import QtQuick 2.12

// A drop-down list of texts; at most four rows are visible, the rest scroll. The owner binds
// currentIndex and sets its value from listElementClicked; the list never assigns it itself.
Item {
    id: drop
    property var model: []
    property int currentIndex: -1
    property bool isOpen: false
    property int rowHeight: 36
    property int fontSize: 18
    property string fontFamily: "times new roman"
    readonly property string path: "file:modules/img/GlobalModule/"
    signal listElementClicked(int index)
    signal listOpened()
    signal listClosed()

    width: 220
    height: rowHeight
    z: isOpen ? 100 : 0

    function open() {
        if (isOpen)
            return
        isOpen = true
        listOpened()
    }

    function close() {
        if (!isOpen)
            return
        isOpen = false
        listClosed()
    }

    function select(index) {
        close()
        listElementClicked(index)
    }

    LazyImage {
        anchors.fill: parent
        picture: drop.path + "dropdown_bg.png"
    }
    Text {
        anchors.left: parent.left
        anchors.leftMargin: 12
        anchors.right: arrow.left
        anchors.verticalCenter: parent.verticalCenter
        elide: Text.ElideRight
        text: drop.currentIndex >= 0 && drop.currentIndex < drop.model.length ? drop.model[drop.currentIndex] : "..."
        color: drop.enabled ? "#ffffff" : "#595959"
        font.family: drop.fontFamily
        font.pixelSize: drop.fontSize
    }
    LazyImage {
        id: arrow
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        width: 14
        height: 8
        rotation: drop.isOpen ? 180 : 0
        picture: drop.path + "dropdown_arrow.png"
    }
    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: drop.isOpen ? drop.close() : drop.open()
    }

    Rectangle {
        id: popup
        y: drop.height
        width: drop.width
        height: drop.isOpen ? Math.min(4, drop.model.length) * drop.rowHeight : 0
        color: "#1b1b1f"
        border.color: "#3a3a40"
        clip: true
        visible: height > 0
        Behavior on height { NumberAnimation { duration: 200; easing.type: Easing.OutCubic } }

        ListView {
            id: list
            anchors.fill: parent
            model: drop.model
            boundsBehavior: Flickable.StopAtBounds
            delegate: Item {
                width: list.width
                height: drop.rowHeight
                LazyImage {
                    anchors.fill: parent
                    picture: drop.path + "dropdown_item.png"
                    visible: rowArea.containsMouse
                }
                Text {
                    anchors.left: parent.left
                    anchors.leftMargin: 12
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData
                    color: index === drop.currentIndex ? "#e4002b" : (rowArea.containsMouse ? "#ffffff" : "#d9d9d9")
                    font.family: drop.fontFamily
                    font.pixelSize: drop.fontSize
                }
                MouseArea {
                    id: rowArea
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: drop.select(index)
                }
            }
        }
    }
}
