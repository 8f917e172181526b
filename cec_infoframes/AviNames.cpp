#include "cec_infoframes/AviNames.h"

#include <QStringList>

namespace infoframe
{

const std::vector<AviName> ColourFormatNames{{0, "RGB", "rgb"},
                                             {1, "YCbCr 4:2:2", "ycbcr422"},
                                             {2, "YCbCr 4:4:4", "ycbcr444"},
                                             {3, "YCbCr 4:2:0", "ycbcr420"}};
const std::vector<AviName> ScanNames{
    {0, "no data", nullptr}, {1, "overscan", nullptr}, {2, "underscan", nullptr}};
const std::vector<AviName> PictureAspectNames{
    {0, "none", nullptr}, {1, "4:3", nullptr}, {2, "16:9", nullptr}};
const std::vector<AviName> ActiveAspectNames{{2, "box 16:9 (top)", nullptr},
                                             {3, "box 14:9 (top)", nullptr},
                                             {4, "box wider than 16:9 (centre)", nullptr},
                                             {8, "same as picture", nullptr},
                                             {9, "4:3", nullptr},
                                             {10, "16:9", nullptr},
                                             {11, "14:9", nullptr},
                                             {13, "4:3, protected 14:9", nullptr},
                                             {14, "16:9, protected 14:9", nullptr},
                                             {15, "16:9, protected 4:3", nullptr}};
const std::vector<AviName> QuantizationNames{
    {0, "default", "default"}, {1, "limited", "limited"}, {2, "full", "full"}};
const std::vector<AviName> YccQuantizationNames{{0, "limited", "limited"}, {1, "full", "full"}};
const std::vector<AviName> BarNames{{0, "none", nullptr},
                                    {1, "horizontal", nullptr},
                                    {2, "vertical", nullptr},
                                    {3, "vertical and horizontal", nullptr}};
const std::vector<AviName> ScalingNames{{0, "none", nullptr},
                                        {1, "horizontal", nullptr},
                                        {2, "vertical", nullptr},
                                        {3, "horizontal and vertical", nullptr}};

const std::vector<ColorimetryName> ColorimetryNames{
    {0, 0, "none", "none"},
    {1, 0, "BT.601", "bt601"},
    {2, 0, "BT.709", "bt709"},
    {3, 0, "xvYCC601", "xvycc601"},
    {3, 1, "xvYCC709", "xvycc709"},
    {3, 2, "sYCC601", "sycc601"},
    {3, 3, "opYCC601", "opycc601"},
    {3, 4, "opRGB", "oprgb"},
    {3, 5, "BT.2020 YcCbcCrc", "bt2020c"},
    {3, 6, "BT.2020", "bt2020"},
};

const std::vector<ContentTypeName> ContentTypeNames{
    {false, 0, "none", "none"},    {true, 0, "graphics", "graphics"}, {true, 1, "photo", "photo"},
    {true, 2, "cinema", "cinema"}, {true, 3, "game", "game"},
};

QString aviWord(const std::vector<AviName> &names, std::uint8_t code)
{
    for (const AviName &n : names)
        if (n.code == code)
            return QLatin1String(n.word);
    return QStringLiteral("reserved (%1)").arg(code);
}

const AviName *aviOption(const std::vector<AviName> &names, const QString &option)
{
    for (const AviName &n : names)
        if (n.option != nullptr &&
            option.compare(QLatin1String(n.option), Qt::CaseInsensitive) == 0)
            return &n;
    return nullptr;
}

QString aviOptions(const std::vector<AviName> &names)
{
    QStringList options;
    for (const AviName &n : names)
        if (n.option != nullptr)
            options << QLatin1String(n.option);
    return options.join(QLatin1Char('|'));
}

} // namespace infoframe
