#pragma once

#include "edid/EdidEditor.h"
#include "edid/EdidTable.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;

// "Edit in words...": what a table claims as controls; the edits are what the user changed,
// in the same words as korvalis-cli edid edit, and the difference shows as the report's lines.
class EdidEditDialog : public QDialog
{
    Q_OBJECT

public:
    EdidEditDialog(const edid::Table &table, QWidget *parent = nullptr);

    // The edits the controls ask for, in words ("hdr", "off"); `error` when a value is none.
    std::vector<edid::Edit> edits(QString &error) const;
    // The table with the edits; refused with the reason when they do not fit.
    edid::EditResult result() const;

    // The controls, by what they hold, for tests.
    QLineEdit *nameEdit() const { return name_; }
    QListWidget *modeList() const { return modes_; }
    QListWidget *audioList() const { return audio_; }
    QCheckBox *hdrBox() const { return hdr_; }
    QSpinBox *tmdsBox() const { return tmds_; }

private:
    void refresh();
    QCheckBox *flag(const QString &text, bool checked, bool enabled);

    edid::Table table_;
    QLineEdit *name_ = nullptr, *address_ = nullptr;
    QListWidget *modes_ = nullptr, *audio_ = nullptr;
    QCheckBox *hdr_ = nullptr, *stereo_ = nullptr, *ycbcr420_ = nullptr, *ycbcr444_ = nullptr,
              *ycbcr422_ = nullptr;
    std::vector<QCheckBox *> eotfs_, depths_;
    QSpinBox *tmds_ = nullptr;
    QPlainTextEdit *difference_ = nullptr;
    QDialogButtonBox *buttons_ = nullptr;
    // What the controls first showed, to tell what changed.
    QStringList eotfsBefore_, depthsBefore_;
    bool hdrBefore_ = false, ycbcr420Before_ = false, ycbcr444Before_ = false,
         ycbcr422Before_ = false;
    int tmdsBefore_ = 0;
    QString nameBefore_, addressBefore_;
};
