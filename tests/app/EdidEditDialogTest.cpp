// "Edit in words...": the dialog's controls become edits whose result the decoder confirms, and
// the button sits under the EDID details of each form, usable only while the editor is.
#include "app/EdidEditDialog.h"
#include "edid/EdidDecoder.h"
#include "sim/EdidGenerator.h"

#include "FakePrompts.h"
#include "ModelLink.h"
#include "TestWindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QtTest>

namespace
{

edid::EdidInfo decoded(const edid::Table &t)
{
    return edid::decodeEdid(edid::Bytes(t.begin(), t.end()));
}

// A built-in table that claims HDR, audio and an HDMI block, so every control has work.
edid::Table richTable()
{
    for (int n = 1; n <= edidgen::BuiltinCount; ++n) {
        const QByteArray bytes = edidgen::builtinTable(n);
        edid::Table t{};
        std::copy(bytes.begin(), bytes.end(), t.begin());
        const edid::EdidInfo info = decoded(t);
        if (info.hdr && info.hdmi && info.audio.size() > 1 && info.vics.size() > 1)
            return t;
    }
    qFatal("no built-in table with HDR, audio and HDMI");
}

} // namespace

class EdidEditDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void controls_data();
    void controls();
    void buttonUnderDetails();
};

void EdidEditDialogTest::controls_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("nothing") << "" << true;
    QTest::newRow("HDR off") << "hdr" << true;
    QTest::newRow("first mode removed") << "mode" << true;
    QTest::newRow("first audio format removed") << "audio" << true;
    QTest::newRow("TMDS 300") << "tmds" << true;
    QTest::newRow("name") << "name" << true;
    QTest::newRow("name too odd") << "bad name" << false;
}

void EdidEditDialogTest::controls()
{
    QFETCH(QString, change);
    QFETCH(bool, accepted);
    const edid::Table table = richTable();
    const edid::EdidInfo before = decoded(table);
    EdidEditDialog dialog(table);
    const int firstVic = dialog.modeList()->item(0)->data(Qt::UserRole).toInt();
    const int firstFormat = dialog.audioList()->item(0)->data(Qt::UserRole).toInt();
    if (change == "hdr")
        dialog.hdrBox()->setChecked(false);
    if (change == "mode")
        dialog.modeList()->item(0)->setCheckState(Qt::Unchecked);
    if (change == "audio")
        dialog.audioList()->item(0)->setCheckState(Qt::Unchecked);
    if (change == "tmds")
        dialog.tmdsBox()->setValue(300);
    if (change == "name")
        dialog.nameEdit()->setText("DIALOG");
    if (change == "bad name")
        dialog.nameEdit()->setText(QString::fromUtf8("TV \u00e9"));

    const edid::EditResult r = dialog.result();
    QCOMPARE(r.ok(), accepted);
    QCOMPARE(dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled(),
             accepted);
    if (!accepted)
        return;
    const edid::EdidInfo after = decoded(r.table);
    QCOMPARE(change.isEmpty(), r.table == table);
    QCOMPARE(after.hdr.has_value(), change != "hdr");
    const auto hasVic = [&](const edid::EdidInfo &i) {
        return std::any_of(i.vics.begin(), i.vics.end(),
                           [&](const edid::ShortVideo &v) { return v.vic == firstVic; });
    };
    QCOMPARE(hasVic(after), change != "mode");
    const auto hasFormat = [&](const edid::EdidInfo &i) {
        return std::any_of(i.audio.begin(), i.audio.end(),
                           [&](const edid::ShortAudio &a) { return a.format == firstFormat; });
    };
    QCOMPARE(hasFormat(after), change != "audio");
    QCOMPARE(after.hdmi->maxTmdsMhz == 300, change == "tmds");
    QCOMPARE(after.base.name == QStringLiteral("DIALOG"), change == "name");
    QVERIFY(hasVic(before) && hasFormat(before));
}

void EdidEditDialogTest::buttonUnderDetails()
{
    ModelLink rig;
    FakePrompts prompts;
    TestWindow window(rig.link, prompts);
    auto *editor = window.findChild<QTextEdit *>(QStringLiteral("EDIDtext"));
    auto *details = window.findChild<QPlainTextEdit *>(QStringLiteral("EDIDdetails"));
    auto *button = window.findChild<QPushButton *>(QStringLiteral("pbEditEdidInWords"));
    QVERIFY(editor && details && button);
    QCOMPARE(button->parentWidget(), details->parentWidget());
    QVERIFY(!button->geometry().intersects(details->geometry()));
    // Under the details, in the room they gave up.
    QVERIFY(button->y() > details->geometry().bottom());
    QCOMPARE(button->x(), details->x());
    for (const bool enabled : {false, true, false}) {
        editor->setEnabled(enabled);
        QCOMPARE(button->isEnabled(), enabled);
    }
}

QTEST_MAIN(EdidEditDialogTest)
#include "EdidEditDialogTest.moc"
