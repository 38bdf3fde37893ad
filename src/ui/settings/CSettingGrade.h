#pragma once

#include "ui/settings/CSettingBaseUI.h"

#include <QFileDialog>
#include <QPointer>

class QLabel;
class QLineEdit;

namespace tamberlink {

class AppCore;

// "固件升级": the telephone box's firmware version, a link to the latest firmware, the file
// to send ("导入文件" picks it) and "开始升级". The status line follows the transfer while the
// window is open; the box decides success or failure.
class CSettingGrade : public CSettingBaseUI {
    Q_OBJECT

public:
    CSettingGrade(QWidget* parent, AppCore& core);

    QString GetWindowClassName() const override { return QStringLiteral("CSettingUpdate"); }

    void SetStatus(const QString& text);
    QString Status() const;
    QLineEdit* FileEdit() const { return file_; }
    // The open-file dialog of "导入文件" while it is open.
    QFileDialog* FileDialog() const { return fileDialog_; }

signals:
    // The status line shows `text`.
    void StatusChanged(const QString& text);

protected:
    void InitContent() override;

private:
    void ImportFile();
    void StartUpgrade();

    QLineEdit* file_ = nullptr;
    QLabel* status_ = nullptr;
    QPointer<QFileDialog> fileDialog_;
};

} // namespace tamberlink
