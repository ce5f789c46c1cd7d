import QtQuick 2.12
import QtGraphicalEffects 1.12

// The settings panel's blurred backdrop where shader effects exist. A file of its own, so the
// effects module is loaded only when it is used.
FastBlur {
    source: blur.source
    radius: 32
}
