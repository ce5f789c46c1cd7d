import QtQuick 2.12

// Update progress: a track and a fill "fill" pixels wide.
Image {
    property real fill: 0
    width: 260
    height: 10
    source: main.img("PageUpdate", "bar_bg")
    Image {
        objectName: "barFill"
        width: parent.fill
        height: parent.height
        fillMode: Image.Pad
        horizontalAlignment: Image.AlignLeft
        clip: true
        source: main.img("PageUpdate", "bar_fill")
    }
}
