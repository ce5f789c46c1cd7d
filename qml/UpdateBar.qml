import QtQuick 2.12

// Update progress: a track and a fill "fill" pixels wide.
LazyImage {
    property real fill: 0
    width: 260
    height: 10
    picture: main.img("PageUpdate", "bar_bg")
    LazyImage {
        objectName: "barFill"
        width: parent.fill
        height: parent.height
        fillMode: Image.Pad
        horizontalAlignment: Image.AlignLeft
        clip: true
        picture: main.img("PageUpdate", "bar_fill")
    }
}
