// Layer mixer timings: one composition pass over a 320 x 240 picture with ten sticker layers
// and two text layers, with and without the sticker cache; DrawTextBox of a two-line record.
#include <benchmark/benchmark.h>

#include <memory>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "editing/draw_text_box.h"
#include "editing/mix_compose.h"
#include "editing/mix_layer_data.h"
#include "editing/text_info.h"

namespace {

void ensureGui()
{
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "mixer_bench";
    static char* argv[] = { name, nullptr };
    static std::unique_ptr<QGuiApplication> app(new QGuiApplication(argc, argv));
}

QImage picture()
{
    QImage img(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            img.setPixel(x, y, qRgb(x & 0xFF, y, (x ^ y) & 0xFF));
    return img;
}

/// Ten stickers of 64 x 64 on white, as PNG files in a temporary folder.
struct Stickers {
    QTemporaryDir dir;
    QStringList paths;
    Stickers()
    {
        for (int i = 0; i < 10; ++i) {
            QImage s(64, 64, QImage::Format_RGB32);
            s.fill(Qt::white);
            QPainter p(&s);
            p.setRenderHint(QPainter::Antialiasing);
            p.setBrush(QColor::fromHsv(i * 36, 200, 230));
            p.drawEllipse(4, 4, 56, 56);
            p.end();
            const QString path = dir.filePath(QStringLiteral("sticker%1.png").arg(i));
            s.save(path);
            paths << path;
        }
    }
};

MixLayerList layerList(const Stickers& stickers)
{
    MixLayerList list;
    list.addBaseLayer();
    for (int i = 0; i < 10; ++i) {
        list.setLastPlaced(QPoint(i * 28, -(i % 4) * 50));
        list.addImageLayer(stickers.paths[i]);
    }
    TextInfo info;
    DefaultTextInfo(info);
    list.addTextLayer(info);
    SetTextOf(info, QStringLiteral("Happy\nbirthday"));
    list.addTextLayer(info);
    list.layer(list.count() - 1).m_y = 200;
    return list;
}

void BM_ComposePass(benchmark::State& state)
{
    ensureGui();
    const bool cached = state.range(0) != 0;
    Stickers stickers;
    const QImage base = picture();
    MixLayerList list = layerList(stickers);
    StickerCache cache;
    CxImage composite;
    for (auto _ : state) {
        ComposeLayers(base, list, composite, cached ? &cache : nullptr);
        benchmark::DoNotOptimize(composite.GetBits());
    }
    state.SetLabel(cached ? "with cache" : "without cache");
}
BENCHMARK(BM_ComposePass)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_DrawTextBoxTwoLines(benchmark::State& state)
{
    ensureGui();
    CxImage image;
    image.FromDeviceBitmap(picture());
    TextInfo info;
    DefaultTextInfo(info);
    SetTextOf(info, QStringLiteral("Tolvenmark\nParty 2026"));
    for (auto _ : state) {
        const CxRect box = DrawTextBox(image, nullptr, 160, 200, info, false);
        benchmark::DoNotOptimize(box);
    }
}
BENCHMARK(BM_DrawTextBoxTwoLines)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace
