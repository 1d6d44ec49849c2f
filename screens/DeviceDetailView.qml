import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// The screen of one child computer, pushed by the device list with the
// device's id. It owns the device's detail state and loads it each time it
// is shown; until a policy has loaded it shows "Loading..." or the error.
Page {
    id: root

    required property string deviceId
    // Shown until the device itself has loaded.
    property string initialTitle: ""
    property bool showEditName: false
    // Ages "Online" and "Last Seen" between loads.
    property int clockTick: 0
    property bool shownBefore: false

    readonly property DeviceDetailViewModel vm: DeviceDetailViewModel { deviceId: root.deviceId }

    function load() {
        vm.startLoad()
    }

    objectName: "deviceDetailView"
    title: vm.device !== undefined ? vm.device.name : (initialTitle !== "" ? initialTitle : "Device")
    background: Rectangle { color: Theme.background }
    implicitWidth: 500
    implicitHeight: 600

    Component.onCompleted: load()
    StackView.onActivated: {
        if (shownBefore)
            load()
        shownBefore = true
    }
    onShowEditNameChanged: {
        if (showEditName)
            editNameSheet.open()
    }

    header: ToolBar {
        background: Rectangle {
            color: Theme.background
            Rectangle { anchors.bottom: parent.bottom; width: parent.width; height: 1; color: Theme.separator }
        }
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 8
            anchors.rightMargin: 8
            IconButton {
                id: backButton
                objectName: "backButton"
                symbol: "chevron.left"
                Accessible.name: "Back"
                onClicked: root.StackView.view.pop()
            }
            Label {
                objectName: "detailTitle"
                Layout.fillWidth: true
                text: root.title
                font: Theme.headline
                color: Theme.primary
                horizontalAlignment: Text.AlignHCenter
                elide: Text.ElideRight
            }
            IconButton {
                objectName: "detailRefreshButton"
                symbol: "arrow.clockwise"
                Accessible.name: "Refresh"
                onClicked: root.load()
            }
        }
    }

    Shortcut {
        sequences: [StandardKey.Back, "Escape"]
        enabled: root.StackView.status === StackView.Active
        onActivated: root.StackView.view.pop()
    }
    Shortcut {
        sequences: [StandardKey.Refresh]
        enabled: root.StackView.status === StackView.Active
        onActivated: root.load()
    }

    Timer {
        interval: 30000
        repeat: true
        running: root.StackView.status === StackView.Active
        onTriggered: root.clockTick++
    }

    EditDeviceNameView {
        id: editNameSheet
        vm: root.vm
        onClosed: root.showEditName = false
    }

    // Loading: nothing loaded and nothing failed yet.
    ColumnLayout {
        objectName: "loadingView"
        anchors.centerIn: parent
        visible: root.vm.policy === undefined && root.vm.error === undefined
        spacing: 10
        BusyIndicator {
            Layout.alignment: Qt.AlignHCenter
            running: parent.visible
        }
        Label {
            objectName: "loadingText"
            Layout.alignment: Qt.AlignHCenter
            text: "Loading..."
            font: Theme.body
            color: Theme.secondary
        }
    }

    // The error placeholder, only while no policy has ever loaded.
    ColumnLayout {
        objectName: "errorView"
        anchors.centerIn: parent
        width: Math.min(parent.width - 64, 420)
        visible: root.vm.policy === undefined && root.vm.error !== undefined
        spacing: 6
        SymbolImage {
            Layout.alignment: Qt.AlignHCenter
            name: "exclamationmark.triangle"
            size: 44
            color: Theme.secondary
        }
        Label {
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 4
            text: "Error"
            font: Theme.title2
            color: Theme.primary
        }
        Label {
            objectName: "errorText"
            Layout.fillWidth: true
            text: root.vm.error !== undefined ? root.vm.error : ""
            textFormat: Text.PlainText
            font: Theme.body
            color: Theme.secondary
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }
        ProminentButton {
            objectName: "retryButton"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 8
            text: "Retry"
            leftPadding: 16
            rightPadding: 16
            onClicked: root.load()
        }
    }

    ErrorBanner {
        vm: root.vm
        applies: root.vm.policy !== undefined
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: Theme.padding
        z: 10
    }

    // Built once a policy is present, so every section can read it.
    Loader {
        objectName: "detailContent"
        anchors.fill: parent
        active: root.vm.policy !== undefined
        sourceComponent: ScrollView {
            id: scroll
            objectName: "detailScroll"
            contentWidth: Math.max(500, availableWidth)
            contentHeight: column.implicitHeight + 2 * Theme.padding
            ScrollBar.horizontal.policy: availableWidth < 500 ? ScrollBar.AsNeeded : ScrollBar.AlwaysOff

            ColumnLayout {
                id: column
                x: Theme.padding
                y: Theme.padding
                width: scroll.contentWidth - 2 * Theme.padding
                spacing: 20

                TodayCard {
                    Layout.fillWidth: true
                    vm: root.vm
                    clockTick: root.clockTick
                }
                UnlockCodeSection {
                    Layout.fillWidth: true
                    vm: root.vm
                }
                BonusSection {
                    Layout.fillWidth: true
                    vm: root.vm
                }
                DowntimeSection {
                    objectName: "downtimeSection"
                    Layout.fillWidth: true
                    vm: root.vm
                }
                ScreenTimeSection {
                    objectName: "screenTimeSection"
                    Layout.fillWidth: true
                    vm: root.vm
                }
                ActivitiesSection {
                    id: activities
                    Layout.fillWidth: true
                    vm: root.vm
                    // Rows are built only near what the scroll view shows.
                    visibleTop: scroll.contentItem.contentY - column.y - y
                    visibleBottom: visibleTop + scroll.height
                }
                UsageHistorySection {
                    objectName: "usageHistorySection"
                    Layout.fillWidth: true
                    vm: root.vm
                }
                DeviceInfoSection {
                    objectName: "deviceInfoSection"
                    Layout.fillWidth: true
                    vm: root.vm
                    clockTick: root.clockTick
                    onEditNameRequested: root.showEditName = true
                }
            }
        }
    }
}
