#include "app/resources/resource_names.h"

#include <array>

namespace tamboro {

namespace {

struct NamedResource {
    const char16_t* name;
    const char16_t* path;
};

constexpr std::array<NamedResource, 19> namedResources{{
    {u"TOP", u":/bitmaps/TOP.png"},
    {u"CHANNEL", u":/bitmaps/CHANNEL.png"},
    {u"BUTTON1A", u":/bitmaps/BUTTON1A.png"},
    {u"BUTTON1B", u":/bitmaps/BUTTON1B.png"},
    {u"LBUTTON", u":/bitmaps/LBUTTON.png"},
    {u"RBUTTON", u":/bitmaps/RBUTTON.png"},
    {u"DIGZIFF1", u":/bitmaps/DIGZIFF1.png"},
    {u"PLAYA", u":/bitmaps/PLAYA.png"},
    {u"PLAYB", u":/bitmaps/PLAYB.png"},
    {u"STOPA", u":/bitmaps/STOPA.png"},
    {u"STOPB", u":/bitmaps/STOPB.png"},
    {u"SLIDER", u":/bitmaps/SLIDER.png"},
    {u"SLBT", u":/bitmaps/SLBT.png"},
    {u"TURNKNOB", u":/bitmaps/TURNKNOB.png"},
    {u"POINTERLOAD", u":/pointers/POINTERLOAD.png"},
    {u"TAMBOROICON", u":/icons/TAMBOROICON.png"},
    {u"APPICON", u":/icons/APPICON.png"},
    {u"APPABOUT", u":/dialogs/APPABOUT.ui"},
    {u"WAVSELECT", u":/dialogs/WAVSELECT.ui"},
}};

}  // namespace

QString resourcePath(QStringView name) {
    for (const NamedResource& resource : namedResources) {
        if (name.compare(QStringView(resource.name), Qt::CaseInsensitive) == 0) {
            return QString::fromUtf16(resource.path);
        }
    }
    return {};
}

}  // namespace tamboro
