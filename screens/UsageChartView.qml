import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// Minutes per day as bars against the daily limit, oldest day on the left.
ColumnLayout {
    id: root

    property alias usage: chart.usage
    property alias limitMinutes: chart.limitMinutes

    spacing: 16

    UsageChartModel {
        id: chart
    }

    Label {
        objectName: "usageLimitCaption"
        Layout.alignment: Qt.AlignRight
        text: chart.limitCaption
        font: Theme.caption2
        color: Theme.secondary
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 8

        Repeater {
            model: chart.columns
            delegate: ColumnLayout {
                id: column

                required property var modelData
                readonly property color tint: Theme[modelData.tone]

                objectName: "usageColumn"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                Layout.alignment: Qt.AlignBottom
                spacing: 4

                Label {
                    objectName: "usageValue"
                    Layout.alignment: Qt.AlignHCenter
                    text: column.modelData.formattedTime
                    font.pixelSize: 10
                    font.weight: Font.Medium
                    color: column.tint
                }

                Item {
                    objectName: "usagePlot"
                    Layout.fillWidth: true
                    implicitHeight: chart.plotHeight

                    Rectangle {
                        anchors.fill: parent
                        radius: 6
                        color: Qt.rgba(Theme.gray.r, Theme.gray.g, Theme.gray.b, 0.1)
                    }
                    Rectangle {
                        objectName: "usageBar"
                        anchors.bottom: parent.bottom
                        width: parent.width
                        height: column.modelData.barHeight
                        radius: 6
                        gradient: Gradient {
                            GradientStop { position: 0; color: column.tint }
                            GradientStop { position: 1; color: Qt.rgba(column.tint.r, column.tint.g, column.tint.b, 0.6) }
                        }
                    }
                    Rectangle {
                        objectName: "usageLimitLine"
                        anchors.bottom: parent.bottom
                        anchors.bottomMargin: chart.limitLineHeight
                        width: parent.width
                        height: 1
                        color: Qt.rgba(Theme.red.r, Theme.red.g, Theme.red.b, 0.4)
                    }
                }

                Label {
                    objectName: "usageDayLabel"
                    Layout.alignment: Qt.AlignHCenter
                    text: column.modelData.dayLabel
                    font: Theme.caption2
                    color: Theme.secondary
                }
            }
        }
    }
}
