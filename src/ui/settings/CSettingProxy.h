#pragma once

#include "ui/settings/CSettingBaseUI.h"

#include <array>

class QLineEdit;

namespace tamberlink {

class AppCore;

// The HTTP proxy ("代理设置") as four address parts and a port. "确定" stores
// "a.b.c.d:port", or no proxy when any field is empty.
class CSettingProxy : public CSettingBaseUI {
    Q_OBJECT

public:
    // The stored text split into the four parts and the port; all empty for no proxy.
    using Fields = std::array<QString, 5>;
    static Fields Split(const QString& proxy);
    static QString Join(const Fields& fields);

    CSettingProxy(QWidget* parent, AppCore& core);

protected:
    void InitContent() override;

private:
    // Cuts a field typed beyond its limit: 255 for the address parts, 65535 for the port.
    void LimitField(int field);
    void Save();

    Fields initial_;
    std::array<QLineEdit*, 5> edits_{};
};

} // namespace tamberlink
