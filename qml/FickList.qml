import QtQuick 2.12

// A row of picture-backed choices. The owner binds currentIndex to its own value and sets that
// value from valueChange, so what is shown always follows the owner (and the device).
Item {
    id: fick
    property var model: []
    property int currentIndex: -1
    property int itemWidth: 130
    property int itemHeight: 36
    property int spacing: 8
    property int columns: 4
    property int fontSize: 18
    property string fontFamily: "times new roman"
    readonly property string path: "file:modules/img/GlobalModule/fick_"
    signal valueChange(int index)

    width: columns * itemWidth + (columns - 1) * spacing
    height: Math.ceil(model.length / columns) * (itemHeight + spacing) - spacing

    Grid {
        columns: fick.columns
        spacing: fick.spacing
        Repeater {
            model: fick.model
            delegate: Item {
                width: fick.itemWidth
                height: fick.itemHeight
                LazyImage {
                    anchors.fill: parent
                    picture: fick.path + (index === fick.currentIndex ? "press" : (area.containsMouse ? "hover" : "normal")) + ".png"
                }
                Text {
                    anchors.centerIn: parent
                    text: modelData
                    color: index === fick.currentIndex ? "#ffffff" : "#d9d9d9"
                    font.family: fick.fontFamily
                    font.pixelSize: fick.fontSize
                }
                MouseArea {
                    id: area
                    anchors.fill: parent
                    hoverEnabled: true
                    cursorShape: Qt.PointingHandCursor
                    onClicked: fick.valueChange(index)
                }
            }
        }
    }
}
