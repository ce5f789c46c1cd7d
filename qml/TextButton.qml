import QtQuick 2.12

// The generic labelled push button of the pages.
PngPushButton {
    width: 160
    height: 40
    srcs: main.btnImgs("GlobalModule", "btn")
    fontFamily: main.fontFamily
    fontSize: main.fontNormalSize
}
