// The company details and captions the printed order's tests print.
#include "letterhead_settings.h"

#include "data/settings_keys.h"
#include "data/settings_store.h"

using namespace Qt::StringLiterals;

void StoreLetterheadSettings()
{
    const std::pair<QString, QString> settings[] = {
        {SettingKey::CompanyName, u"Avtoservis Novak"_s}, {SettingKey::CompanyAddress, u"Glavna cesta 5"_s},
        {SettingKey::CompanyPost, u"4000 Kranj"_s},       {SettingKey::CompanyPhone, u"04 123 45 67"_s},
        {SettingKey::CompanyFax, u"04 123 45 68"_s},      {SettingKey::CompanyWeb, u"novak.si"_s},
        {SettingKey::VehicleTitle, u"Vozilo: "_s},        {SettingKey::PlateTitle, u"Reg.št.:"_s},
    };
    for (const auto& [key, value] : settings)
        StoreSetting(key, value);
}
