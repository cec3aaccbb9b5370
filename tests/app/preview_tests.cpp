// The track preview: how it opens from the list, what it draws and tells under the window's
// settings, its errors; and the Convert command's progress with Cancel.

#include "app/cleaning_dialog.h"
#include "app/conversion_runner.h"
#include "app/preview_graph.h"
#include "app/preview_map.h"
#include "app/preview_opener.h"
#include "app/preview_window.h"
#include "conversion/conversion.h"
#include "core/errors.h"
#include "core/messages.h"
#include "form_fixture.h"
#include "log/gps_rec.h"
#include "log_files.h"
#include "text/number_text.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <cmath>

namespace ostrel::test {

namespace {

const QString kSampleLog = QStringLiteral(OSTREL_TEST_DATA "/walk/input.log");

// Waits until the preview has drawn or failed.
bool Settled(TPreviewWindow* preview)
{
    return QTest::qWaitFor([&] { return !preview->Computing(); }, 10000);
}

// A log of 400,000 fixes a second apart, long enough to be stopped part way.
QString WriteLongLog(const QString& path)
{
    QList<QByteArray> lines;
    for (int i = 0; i < 400000; ++i) {
        const QByteArray time = QByteArray::number(i / 3600 % 24).rightJustified(2, '0')
            + QByteArray::number(i / 60 % 60).rightJustified(2, '0')
            + QByteArray::number(i % 60).rightJustified(2, '0');
        const QByteArray date = QByteArray::number(1 + i / 86400).rightJustified(2, '0') + "0507";
        lines << RecordLine(time.constData(), "3539.1000", "13945.1000", date.constData());
    }
    return WriteLog(path, lines);
}

// Waits until the preview has drawn and its track's image for the view is shown.
bool Drawn(TPreviewWindow* preview)
{
    return Settled(preview) && QTest::qWaitFor([&] { return preview->View()->Drawn(); }, 10000);
}

// Shows the preview at the size given and waits until it is on the screen.
bool ShownAt(TPreviewWindow* preview, QSize size)
{
    preview->resize(size);
    preview->show();
    return QTest::qWaitForWindowExposed(preview);
}

// A tile of one colour, as PNG.
QByteArray TilePng(const QColor& colour)
{
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    tile.save(&buffer, "PNG");
    return png;
}

// The tile of zoom z that holds a Web Mercator point.
QPoint TileOf(const TPicturePoint& p, int z)
{
    const double side = TileBounds(z, 0, 0).Side;
    const double half = side * std::ldexp(1.0, z) / 2;
    return QPoint(static_cast<int>(std::floor((p.East + half) / side)),
        static_cast<int>(std::floor((half - p.North) / side)));
}

// A made-up map about a place for the screenshot: pale land, a river, a park and streets,
// drawn here, at zoom levels 15 to 18.
bool WriteMadeUpMap(const QString& path, const TPicturePoint& about)
{
    QSqlDatabase db
        = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("made-up"));
    db.setDatabaseName(path);
    bool ok = db.open();
    {
        QSqlQuery q(db);
        ok = ok && q.exec(QStringLiteral("CREATE TABLE metadata (name TEXT, value TEXT)"))
            && q.exec(QStringLiteral("INSERT INTO metadata VALUES ('attribution', 'Made-up tiles "
                                     "of the tests')"))
            && q.exec(QStringLiteral("CREATE TABLE tiles (zoom_level INTEGER, tile_column "
                                     "INTEGER, tile_row INTEGER, tile_data BLOB)"));
        for (int z = 15; ok && z <= 18; ++z) {
            const QPoint centre = TileOf(about, z);
            const double metresPerPixel = TileBounds(z, 0, 0).Side / 256;
            for (int dx = -3; ok && dx <= 3; ++dx)
                for (int dy = -3; ok && dy <= 3; ++dy) {
                    const TTileBounds b = TileBounds(z, centre.x() + dx, centre.y() + dy);
                    QImage tile(256, 256, QImage::Format_RGB32);
                    tile.fill(QColor(242, 239, 233));
                    QPainter painter(&tile);
                    painter.setRenderHint(QPainter::Antialiasing);
                    // Features in metres from the place, so that every zoom level agrees.
                    const auto px = [&](double east, double north) {
                        return QPointF((about.East + east - b.West) / metresPerPixel,
                            (b.North - (about.North + north)) / metresPerPixel);
                    };
                    painter.fillRect(QRectF(px(150, 500), px(450, 250)), QColor(200, 230, 190));
                    painter.setPen(QPen(QColor(170, 210, 240), 40 / metresPerPixel));
                    painter.drawLine(px(-2000, -300), px(2000, -150));
                    painter.setPen(QPen(Qt::white, std::max(2.0, 12 / metresPerPixel)));
                    for (int m = -2000; m <= 2000; m += 160) {
                        painter.drawLine(px(m, -2000), px(m + 60, 2000));
                        painter.drawLine(px(-2000, m), px(2000, m + 40));
                    }
                    painter.end();
                    QByteArray png;
                    QBuffer buffer(&png);
                    buffer.open(QIODevice::WriteOnly);
                    tile.save(&buffer, "PNG");
                    q.prepare(QStringLiteral("INSERT INTO tiles VALUES (?, ?, ?, ?)"));
                    q.addBindValue(z);
                    q.addBindValue(centre.x() + dx);
                    q.addBindValue((1 << z) - 1 - (centre.y() + dy));
                    q.addBindValue(png);
                    ok = q.exec();
                }
        }
    }
    db.close();
    QSqlDatabase::removeDatabase(QStringLiteral("made-up"));
    return ok;
}

// The pointer moves over a widget, no button held.
void Hover(QWidget* widget, const QPoint& at)
{
    QMouseEvent move(
        QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Chooses a map in the preview's list as a user does.
void ChooseMap(TPreviewWindow* preview, int choice)
{
    auto* box = preview->findChild<QComboBox*>(QStringLiteral("ddlMap"));
    box->setCurrentIndex(choice);
    emit box->activated(choice);
}

// A tile server on 127.0.0.1 that answers every request with one cacheable PNG tile and counts
// the requests and their User-Agent.
class TTileServer : public QObject
{
public:
    TTileServer()
    {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    request_ += socket->readAll();
                    if (!request_.contains("\r\n\r\n"))
                        return;
                    ++Requests;
                    for (const QByteArray& line : request_.split('\n'))
                        if (line.toLower().startsWith("user-agent:"))
                            UserAgent = line.mid(11).trimmed();
                    request_.clear();
                    const QByteArray body = TilePng(QColor(0, 255, 255));
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nCache-Control: "
                                  "max-age=86400\r\nConnection: close\r\nContent-Length: "
                        + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString UrlTemplate() const
    {
        return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(server_.serverPort());
    }
    int Requests = 0;
    QByteArray UserAgent;

private:
    QTcpServer server_;
    QByteArray request_;
};

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

    TFormFixture fixture_;
    TForm1& form() { return *fixture_.Form; }
    TPreviewOpener& opener() { return *form().findChild<TPreviewOpener*>("PreviewOpener"); }

private slots:
    void init() { fixture_.Start(); }
    void cleanup()
    {
        const QString problems = fixture_.Finish();
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    void opensForTheSelectedLog_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* how : { "double-click", "menu", "Space", "F3" })
            QTest::newRow(how) << how;
    }
    void opensForTheSelectedLog()
    {
        QFETCH(QString, how);
        TForm1& f = form();
        f.AppendLogs({ QStringLiteral("/logs/a.log"), kSampleLog });
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QListWidget* list = f.LogList;
        list->setCurrentRow(1);
        const QRect item = list->visualItemRect(list->item(1));
        if (how == QLatin1String("double-click")) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, item.center());
        } else if (how == QLatin1String("menu")) {
            QAction* action = list->findChild<QAction*>(QStringLiteral("actPreview"));
            QVERIFY(action && list->actions().contains(action));
            QCOMPARE(list->contextMenuPolicy(), Qt::ActionsContextMenu);
            QCOMPARE(action->text(), QStringLiteral("プレビュー"));
            action->trigger();
        } else {
            QTest::keyClick(list, how == QLatin1String("F3") ? Qt::Key_F3 : Qt::Key_Space);
        }
        const std::vector<TPreviewWindow*> previews = opener().Previews();
        QCOMPARE(previews.size(), std::size_t(1));
        QCOMPARE(previews[0]->Input(), ToPathForTest(kSampleLog));
        QVERIFY(!previews[0]->isModal());
        QVERIFY(Settled(previews[0]));
        QVERIFY(previews[0]->View()->Picture());
    }

    // The statistics tell the conversion's length text; the drawing and the numbers follow the
    // mode; a limit that does not parse and a log that does not convert show their errors.
    void followsTheSettingsAndShowsErrors()
    {
        TForm1& f = form();
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("out.kml"));
        TConvertSettings settings = f.Settings().PreviewSettings();
        const TConversionResult converted
            = ProcFile(ToPathForTest(kSampleLog), ToPathForTest(out), settings);

        TPreviewWindow* preview = opener().Open(ToPathForTest(kSampleLog));
        QVERIFY(Settled(preview));
        // The length as a number ("0.47 km"), not the length box's sentence.
        const QString length
            = QString::fromStdString(FormatFixed(converted.TotalMetres / 1000, 15, 2) + " km");
        QVERIFY2(preview->Statistics()->text().contains(length),
            qPrintable(preview->Statistics()->text()));
        QVERIFY(!preview->Statistics()->text().contains(
            QString::fromStdString(converted.LengthMessage)));
        QVERIFY(preview->Advice()->isHidden());
        const std::size_t drops = preview->View()->Picture()->Drops.size();

        // Everything after the first dropped: the panel says by which limit.
        f.rdbUserDefine->setChecked(true);
        f.txtLimitter->setText(QStringLiteral("0"));
        QVERIFY(Settled(preview));
        QVERIFY(preview->View()->Picture());
        QVERIFY(preview->View()->Picture()->Drops.size() > drops);
        QVERIFY(!preview->Advice()->isHidden());
        QVERIFY2(preview->Advice()->text().contains(QStringLiteral("0.0 km/h")),
            qPrintable(preview->Advice()->text()));
        f.txtLimitter->setText(QStringLiteral("x"));
        QVERIFY(Settled(preview));
        QVERIFY(!preview->View()->Picture());
        QVERIFY(!preview->View()->Message().isEmpty());
        f.rdbWalk->setChecked(true);
        QVERIFY(Settled(preview));
        QVERIFY(preview->View()->Picture());

        TPreviewWindow* missing
            = opener().Open(ToPathForTest(dir.filePath(QStringLiteral("none.log"))));
        QVERIFY(Settled(missing));
        QVERIFY(!missing->View()->Picture());
        QVERIFY(!missing->View()->Message().isEmpty());
        QCOMPARE(opener().Previews().size(), std::size_t(2));
    }

    // The legend names the causes of the drops the track holds, and follows the filter: a spike
    // that the speed filter drops as too fast, the robust filter drops as a spike.
    void legendNamesTheCausesPresent()
    {
        QTemporaryDir dir;
        const QString log = WriteLog(dir.filePath(QStringLiteral("a.log")),
            { RecordLine("030405", "3539.0000", "13945.0000", "120507"),
                RecordLine("030415", "3539.0045", "13945.0000", "120507"),
                RecordLine("030425", "3540.0000", "13945.0000", "120507"), // 1.8 km away
                RecordLine("030435", "3539.0135", "13945.0000", "120507"),
                RecordLine("030445", "3539.0180", "13945.0000", "120507") });
        TPreviewWindow* preview = opener().Open(ToPathForTest(log));
        QVERIFY(Settled(preview));
        const QStringList marks { "開始", "終了", "ポイント" };
        QCOMPARE(preview->Legend(), marks + QStringList({ "除外（速すぎ）" }));
        form().dlgCleaning->findChild<QComboBox*>(QStringLiteral("ddlFilter"))->setCurrentIndex(1);
        QVERIFY(Settled(preview));
        QCOMPARE(preview->Legend(), marks + QStringList({ "除外（跳び）" }));
    }

    // The picture is where the model says: the start mark's colour at the start's pixel, and a
    // drawing that is not blank.
    void rendersWhereTheModelSays()
    {
        TPreviewWindow* preview = opener().Open(ToPathForTest(kSampleLog));
        QVERIFY(ShownAt(preview, { 860, 560 }));
        QVERIFY(Settled(preview));
        TTrackView* view = preview->View();
        view->Fit();
        QVERIFY(Drawn(preview));
        const QImage image = view->grab().toImage();
        const TTrackPicture& picture = *view->Picture();
        const QPoint start(
            qRound(view->View().X(picture.Start)), qRound(view->View().Y(picture.Start)));
        const qreal ratio = image.devicePixelRatio();
        const QColor atStart = image.pixelColor(start * ratio);
        QVERIFY2(atStart.green() > 120 && atStart.red() < 80, qPrintable(atStart.name()));
        int coloured = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                coloured += image.pixelColor(x, y) != QColor(Qt::white);
        QVERIFY(coloured > 200);
    }

    // Pointing at a kept fix, a dropped one and a cluster tells each as the core explains it, and
    // the graph and the track point at each other.
    void pointingExplainsEachFix()
    {
        QTemporaryDir dir;
        const QString log = WriteLog(dir.filePath(QStringLiteral("a.log")),
            { RecordLine("030405", "3539.0000", "13945.0000", "120507"),
                RecordLine("030505", "3539.0300", "13945.0000", "120507"), // 55 m in a minute
                RecordLine("030510", "3539.2000", "13945.2000", "120507"), // too fast
                RecordLine("030605", "3539.0600", "13945.0000", "120507"),
                RecordLine("030606", "3539.1000", "13945.3000", "120507"), // three too fast,
                RecordLine("030607", "3539.1000", "13945.3000", "120507"), // at one place
                RecordLine("030608", "3539.1000", "13945.3000", "120507"),
                RecordLine("030705", "3539.0900", "13945.0000", "120507") });
        TPreviewWindow* preview = opener().Open(ToPathForTest(log));
        QVERIFY(ShownAt(preview, { 900, 640 }));
        QVERIFY(Drawn(preview));
        TTrackView* view = preview->View();
        const TTrackPicture& picture = *view->Picture();
        const TPictureView& on = view->View();
        const auto pixel = [&](const TPicturePoint& p) {
            return QPoint(qRound(on.X(p)), qRound(on.Y(p)));
        };
        const TNoteContext context { 10.0, 9 / 24.0, 0, 0 };

        QVERIFY(picture.Track.size() >= 3);
        Hover(view, pixel(picture.Track[1]));
        QCOMPARE(preview->Details()->text(),
            QString::fromStdString(ExplainFix(picture.Notes[1], context, WindowLanguage())));
        QVERIFY(preview->Details()->text().contains(QStringLiteral("2")));

        QCOMPARE(picture.Drops.size(), std::size_t(2));
        const TDropCluster& single
            = picture.Drops[0].Counts.Total() == 1 ? picture.Drops[0] : picture.Drops[1];
        const TDropCluster& three
            = picture.Drops[0].Counts.Total() == 3 ? picture.Drops[0] : picture.Drops[1];
        QTest::mouseClick(view, Qt::LeftButton, {}, pixel(single.Point));
        QCOMPARE(preview->Details()->text(),
            QString::fromStdString(
                ExplainDrops(single.Counts, single.First, context, WindowLanguage())));
        Hover(view, pixel(three.Point));
        const QString cluster = preview->Details()->text();
        QCOMPARE(cluster,
            QString::fromStdString(
                ExplainDrops(three.Counts, three.First, context, WindowLanguage())));
        for (const char* line : { "5", "6", "7" })
            QVERIFY2(cluster.contains(QLatin1String(line)), qPrintable(cluster));

        // The graph's sample of the fourth line points at its place on the track.
        TSpeedGraphView* graph = preview->Graph();
        Hover(graph, QPoint(0, graph->height() / 2));
        const TGraphSample* sample = nullptr;
        for (int x = 0; x < graph->width() && sample == nullptr; ++x) {
            const TGraphSample* at = graph->SampleAt(x);
            if (at != nullptr && at->Note.Line == 4)
                sample = at;
        }
        QVERIFY(sample != nullptr);
        Hover(graph, QPoint(qRound(graph->XOf(*sample)), graph->height() / 2));
        QCOMPARE(preview->Details()->text(),
            QString::fromStdString(ExplainFix(sample->Note, context, WindowLanguage())));
    }

    // A map from an MBTiles file lies beneath the track at its tiles' places, with its
    // attribution, and is chosen again in the next preview. With OSTREL_SCREENSHOT set, the
    // preview over a made-up map of generated tiles is saved for the README.
    void mapFromAnMbtilesFile()
    {
        QTemporaryDir dir;
        TPreviewWindow* preview = opener().Open(ToPathForTest(kSampleLog));
        QVERIFY(ShownAt(preview, { 900, 640 }));
        QVERIFY(Settled(preview));
        // The walk's first record (35°39.123456' N, 139°45.123456' E) on the tiles' grid: a
        // magenta tile there, cyan ones about it.
        TGPSRec first;
        first.Lat = 35 + 39.123456 / 60;
        first.Lon = 139 + 45.123456 / 60;
        const int z = 15;
        const QPoint centre = TileOf(PicturePointOf(first, {}, TPictureProjection::WebMercator), z);
        const QString path = dir.filePath(QStringLiteral("map.mbtiles"));
        {
            QSqlDatabase db
                = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make-map"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE metadata (name TEXT, value TEXT)")));
            QVERIFY(q.exec(QStringLiteral(
                "INSERT INTO metadata VALUES ('attribution', 'Test tiles'), ('format', 'png')")));
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE tiles (zoom_level INTEGER, tile_column "
                                          "INTEGER, tile_row INTEGER, tile_data BLOB)")));
            for (int dx = -2; dx <= 2; ++dx)
                for (int dy = -2; dy <= 2; ++dy) {
                    q.prepare(QStringLiteral("INSERT INTO tiles VALUES (?, ?, ?, ?)"));
                    q.addBindValue(z);
                    q.addBindValue(centre.x() + dx);
                    q.addBindValue((1 << z) - 1 - (centre.y() + dy)); // rows from the south
                    q.addBindValue(
                        TilePng(dx == 0 && dy == 0 ? QColor(255, 0, 255) : QColor(0, 255, 255)));
                    QVERIFY(q.exec());
                }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("make-map"));
        fixture_.Dialogs->AnswerFile(path);
        ChooseMap(preview, 1);
        QVERIFY(Drawn(preview));
        QCOMPARE(preview->View()->Picture()->Projection, TPictureProjection::WebMercator);
        QCOMPARE(fixture_.Dialogs->FileOpenings, QList<TFileChoice>({ TFileChoice::OpenMap }));
        QCOMPARE(preview->Map()->Attribution(), QStringLiteral("Test tiles"));
        TTrackView* view = preview->View();
        const QImage image = view->grab().toImage();
        const TTileBounds tile = TileBounds(z, centre.x(), centre.y());
        const TPictureView& on = view->View();
        const QRectF rect(QPointF(on.X({ tile.North, tile.West }), on.Y({ tile.North, tile.West })),
            QPointF(on.X({ tile.North - tile.Side, tile.West + tile.Side }),
                on.Y({ tile.North - tile.Side, tile.West + tile.Side })));
        int magenta = 0, cyan = 0, inside = 0, outside = 0;
        const qreal ratio = image.devicePixelRatio();
        for (int y = 2; y < view->height() - 2; y += 7)
            for (int x = 2; x < view->width() - 2; x += 7) {
                const QColor c = image.pixelColor(QPoint(x, y) * ratio);
                const bool isMagenta = c.red() > 200 && c.green() < 60 && c.blue() > 200;
                const bool isCyan = c.red() < 60 && c.green() > 200 && c.blue() > 200;
                if (rect.adjusted(2, 2, -2, -2).contains(x, y)) {
                    ++inside;
                    magenta += isMagenta;
                } else if (!rect.adjusted(-2, -2, 2, 2).contains(x, y)) {
                    ++outside;
                    cyan += isCyan;
                }
            }
        QVERIFY2(inside > 20 && magenta > inside * 8 / 10,
            qPrintable(QStringLiteral("%1 of %2").arg(magenta).arg(inside)));
        QVERIFY2(
            cyan > outside * 6 / 10, qPrintable(QStringLiteral("%1 of %2").arg(cyan).arg(outside)));

        if (!qgetenv("OSTREL_SCREENSHOT").isEmpty()) {
            const QString made = dir.filePath(QStringLiteral("made-up.mbtiles"));
            QVERIFY(
                WriteMadeUpMap(made, PicturePointOf(first, {}, TPictureProjection::WebMercator)));
            fixture_.Dialogs->AnswerFile(made);
            ChooseMap(preview, 1);
            QVERIFY(Drawn(preview));
            QTest::qWait(100);
            const QString shot = QStringLiteral(OSTREL_PREVIEW_SCREENSHOT_PATH);
            QVERIFY(QDir().mkpath(QFileInfo(shot).path()));
            QVERIFY(preview->grab().save(shot, "PNG"));
        }

        // A file claiming levels no map has (a tile's number would overflow) still draws, zoomed
        // far out too; the map stays chosen.
        const QString odd = dir.filePath(QStringLiteral("odd.mbtiles"));
        {
            QSqlDatabase db
                = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("odd-map"));
            db.setDatabaseName(odd);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE tiles (zoom_level INTEGER, tile_column "
                                          "INTEGER, tile_row INTEGER, tile_data BLOB)")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO tiles VALUES (-5, 0, 0, x'00'), "
                                          "(99, 0, 0, x'00')")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("odd-map"));
        fixture_.Dialogs->AnswerFile(odd);
        ChooseMap(preview, 1);
        QVERIFY(Drawn(preview));
        QCOMPARE(preview->Map()->Levels(), std::pair(0, 24));
        for (int step = 0; step < 40; ++step)
            QTest::keyClick(view, Qt::Key_Minus);
        QVERIFY(Drawn(preview));
        QVERIFY(preview->Map()->On());
        fixture_.Dialogs->AnswerFile(path);
        ChooseMap(preview, 1);

        preview->close();
        TPreviewWindow* next = opener().Open(ToPathForTest(kSampleLog));
        QVERIFY(Settled(next));
        QCOMPARE(next->findChild<QComboBox*>(QStringLiteral("ddlMap"))->currentIndex(), 1);
        QVERIFY(next->Map()->On());
        QCOMPARE(next->View()->Picture()->Projection, TPictureProjection::WebMercator);
    }

    // Online tiles come from the server only once the user turns them on, with the program's
    // User-Agent; the next preview takes them from the disk cache; off, nothing is asked.
    void onlineTilesAreCachedAndAskedOnlyWhenOn()
    {
        QTemporaryDir cache;
        TTileServer server;
        form().Settings().Store().setValue(QStringLiteral("Preview/TileCache"), cache.path());
        TPreviewWindow* preview = opener().Open(ToPathForTest(kSampleLog));
        preview->show();
        QVERIFY(Drawn(preview));
        auto* url = preview->findChild<QLineEdit*>(QStringLiteral("txtTileUrl"));
        url->setText(server.UrlTemplate());
        QTest::qWait(100);
        QCOMPARE(server.Requests, 0); // typed, not chosen
        ChooseMap(preview, 2);
        QVERIFY(Drawn(preview));
        QVERIFY(QTest::qWaitFor([&] { return preview->Map()->Requests() > 0; }, 5000));
        QTest::qWait(200);
        const int asked = server.Requests;
        QVERIFY(asked > 0);
        QCOMPARE(preview->Map()->Requests(), asked);
        QVERIFY2(server.UserAgent.startsWith("Ostrel/"), server.UserAgent.constData());
        preview->close();

        TPreviewWindow* next = opener().Open(ToPathForTest(kSampleLog));
        next->show();
        QVERIFY(Drawn(next));
        next->View()->repaint();
        QTest::qWait(300);
        QCOMPARE(server.Requests, asked);
        QCOMPARE(next->Map()->Requests(), 0);

        ChooseMap(next, 0);
        QVERIFY(Drawn(next));
        next->View()->ZoomBy(0.5);
        QVERIFY(Drawn(next));
        QTest::qWait(100);
        QCOMPARE(server.Requests, asked);
        QVERIFY(!next->Map()->On());
    }

    // The picture saves as a PNG of the view and graph's size; the numbers copy as tab-separated
    // rows.
    void savesThePictureAndCopiesTheNumbers()
    {
        QTemporaryDir dir;
        TPreviewWindow* preview = opener().Open(ToPathForTest(kSampleLog));
        QVERIFY(ShownAt(preview, { 900, 640 }));
        QVERIFY(Drawn(preview));
        const QString png = dir.filePath(QStringLiteral("a.png"));
        fixture_.Dialogs->AnswerFile(png);
        preview->findChild<QPushButton*>(QStringLiteral("cmdSavePicture"))->click();
        const QImage image(png);
        QCOMPARE(image.size(),
            QSize(
                preview->View()->width(), preview->View()->height() + preview->Graph()->height()));
        QCOMPARE(fixture_.Dialogs->FileOpenings, QList<TFileChoice>({ TFileChoice::SavePicture }));

        fixture_.Dialogs->AnswerFile(QString()); // Cancel writes nothing
        preview->SavePicture();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);

        preview->findChild<QPushButton*>(QStringLiteral("cmdCopyNumbers"))->click();
        const QStringList rows
            = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(rows.size() > 5);
        for (const QString& row : rows)
            QCOMPARE(row.count(QLatin1Char('\t')), 1);
        QVERIFY(rows.filter(QStringLiteral("\t0.47 km")).size() == 1);
        QVERIFY(rows.filter(QStringLiteral(" UTC)")).size() == 2); // the start and the end
    }

    // A name ending in .svg saves the picture as well-formed SVG; a build without Qt SVG refuses
    // such a name in an error box and writes nothing.
    void savesThePictureAsSvg()
    {
        QTemporaryDir dir;
        TPreviewWindow* preview = opener().Open(ToPathForTest(kSampleLog));
        QVERIFY(ShownAt(preview, { 900, 640 }));
        QVERIFY(Drawn(preview));
        const QString svg = dir.filePath(QStringLiteral("a.svg"));
        fixture_.Dialogs->AnswerFile(svg);
        preview->SavePicture();
#ifdef OSTREL_NO_SVG_EXPORT
        const QList<TBox> boxes = fixture_.Dialogs->TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].Kind, TBoxKind::Error);
        QVERIFY2(boxes[0].Text.contains(QDir::toNativeSeparators(svg)), qPrintable(boxes[0].Text));
        QVERIFY(!QFileInfo::exists(svg));
        QSKIP("built without Qt SVG: the picture saves as PNG only");
#else
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        int elements = 0;
        QString root;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && elements++ == 0)
                root = xml.name().toString();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(root, QStringLiteral("svg"));
        QVERIFY(elements > 20);
        QCOMPARE(fixture_.Dialogs->FileOpenings, QList<TFileChoice>({ TFileChoice::SavePicture }));
#endif
    }

    // The preview opens within a small screen, however large it was before; Esc and Ctrl+W close
    // it; + and - zoom, the arrows pan.
    void fitsTheScreenAndTakesItsKeys()
    {
        TPreviewWindow* preview = opener().Open(ToPathForTest(kSampleLog));
        preview->resize(1720, 1120);
        const QRect small(0, 0, 819, 450); // 1024 x 600 at 125 %, less a panel
        preview->PlaceWithin(small);
        QVERIFY(preview->minimumSizeHint().width() <= small.width());
        QVERIFY(preview->minimumSizeHint().height() <= small.height() - 40); // a title bar
        QVERIFY2(small.contains(preview->frameGeometry()),
            qPrintable(QStringLiteral("%1 x %2 at %3, %4")
                           .arg(preview->frameGeometry().width())
                           .arg(preview->frameGeometry().height())
                           .arg(preview->frameGeometry().x())
                           .arg(preview->frameGeometry().y())));
        preview->show();
        QVERIFY(QTest::qWaitForWindowExposed(preview));
        QVERIFY(Settled(preview));

        TTrackView* view = preview->View();
        view->setFocus();
        const double scale = view->View().PixelsPerMetre();
        QTest::keyClick(view, Qt::Key_Plus);
        QCOMPARE(view->View().PixelsPerMetre(), scale * 1.25);
        QTest::keyClick(view, Qt::Key_Minus);
        QCOMPARE(view->View().PixelsPerMetre(), scale);
        const double x = view->View().X(view->Picture()->Start);
        const double y = view->View().Y(view->Picture()->Start);
        QTest::keyClick(view, Qt::Key_Right);
        QVERIFY(view->View().X(view->Picture()->Start) < x);
        QTest::keyClick(view, Qt::Key_Up);
        QVERIFY(view->View().Y(view->Picture()->Start) > y);

        QPointer<TPreviewWindow> closed(preview);
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(QTest::qWaitFor([&] { return closed.isNull(); }, 2000));
        TPreviewWindow* next = opener().Open(ToPathForTest(kSampleLog));
        QVERIFY(QTest::qWaitForWindowExposed(next));
        QVERIFY(Settled(next));
        QPointer<TPreviewWindow> second(next);
        QTest::keyClick(next->View(), Qt::Key_W, Qt::ControlModifier);
        QVERIFY(QTest::qWaitFor([&] { return second.isNull(); }, 2000));
    }

    // Cancel in the progress dialog stops the conversion: the earlier file keeps its bytes, no
    // length box, and the window converts again afterwards.
    void cancelLeavesTheEarlierFile()
    {
        TForm1& f = form();
        QTemporaryDir dir;
        const QString log = WriteLongLog(dir.filePath(QStringLiteral("big.log")));
        const QString out = dir.filePath(QStringLiteral("out.kml"));
        {
            QFile file(out);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("earlier");
        }
        f.AppendLogs({ log });
        f.ConversionRunner().SetProgressDelay(0);
        int shown = 0;
        connect(&f.ConversionRunner(), &TConversionRunner::ProgressShown, this,
            [&](QProgressDialog* dialog) {
                ++shown;
                QCOMPARE(dialog->objectName(), QStringLiteral("ConversionProgress"));
                QPushButton* cancel = dialog->findChild<QPushButton*>();
                QVERIFY(cancel);
                cancel->click();
            });
        fixture_.Dialogs->AnswerSave(out);
        f.cmdConvEach->click();
        QCOMPARE(shown, 1);
        QCOMPARE(ReadAll(out), QByteArray("earlier"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        QVERIFY(fixture_.Dialogs->TakeBoxes().isEmpty());
    }

    // In a batch the progress tells which log of how many it reads. Cancel stops the batch
    // there: the outputs before it stay, that log's is not written, and no box follows.
    void batchProgressNamesTheLogAndCancelStopsThere()
    {
        TForm1& f = form();
        QTemporaryDir dir;
        const QString small = WriteLog(dir.filePath(QStringLiteral("a.log")),
            { RecordLine("030405", "3539.1000", "13945.1000", "120507") });
        const QString big = WriteLongLog(dir.filePath(QStringLiteral("b.log")));
        f.AppendLogs({ small, big });
        f.ConversionRunner().SetProgressDelay(0);
        QStringList captions;
        connect(&f.ConversionRunner(), &TConversionRunner::ProgressShown, this,
            [&](QProgressDialog* dialog) {
                captions << dialog->labelText();
                if (dialog->labelText().startsWith(QLatin1String("2 / 2")))
                    dialog->findChild<QPushButton*>()->click();
            });
        fixture_.Dialogs->AnswerSave(dir.filePath(QStringLiteral("dummy.log")));
        f.cmdConvEach->click();
        QVERIFY(!captions.isEmpty());
        QCOMPARE(captions.last(), QStringLiteral("2 / 2\nb.log"));
        if (captions.size() == 2)
            QCOMPARE(captions.first(), QStringLiteral("1 / 2\na.log"));
        QVERIFY(captions.size() <= 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
            QStringList({ "a.log", "b.log", "WG20070512030405.kml" }));
        const QList<TBox> boxes = fixture_.Dialogs->TakeBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].Kind, TBoxKind::Message);
    }

    // Closing the window while a conversion runs (the progress dialog up, which is not modal so
    // that the window can be closed) cancels it, waits for it and closes: no output, no box.
    void closingTheWindowCancelsTheConversion()
    {
        TForm1& f = form();
        QTemporaryDir dir;
        const QString log = WriteLongLog(dir.filePath(QStringLiteral("big.log")));
        f.AppendLogs({ log });
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.ConversionRunner().SetProgressDelay(0);
        bool blocked = true;
        connect(&f.ConversionRunner(), &TConversionRunner::ProgressShown, this,
            [&](QProgressDialog* dialog) {
                blocked = dialog->isModal() || QGuiApplication::modalWindow() != nullptr;
                f.close();
            });
        fixture_.Dialogs->AnswerSave(dir.filePath(QStringLiteral("out.kml")));
        f.cmdConvEach->click();
        QVERIFY(!blocked);
        QVERIFY(!f.isVisible());
        QVERIFY(!f.ConversionRunner().Running());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({ "big.log" }));
        QVERIFY(fixture_.Dialogs->TakeBoxes().isEmpty());
    }

    // A preview opens where and as large as the last one was.
    void previewPlaceIsRemembered()
    {
        TPreviewWindow* first = opener().Open(ToPathForTest(kSampleLog));
        QVERIFY(QTest::qWaitForWindowExposed(first));
        first->resize(700, 450);
        QVERIFY(Settled(first));
        first->close();
        TPreviewWindow* next = opener().Open(ToPathForTest(kSampleLog));
        QCOMPARE(next->size(), QSize(700, 450));
        QVERIFY(Settled(next));
    }

    // An error of the log shows as the main window's error box tells it, in the window's
    // language: the message, then the log and the line at fault.
    void errorNamesTheLogAndLineInTheWindowsLanguage()
    {
        QTemporaryDir dir;
        const QString log = WriteLog(dir.filePath(QStringLiteral("a.log")),
            { "header", RecordLine("030405", "3539.0000", "13945.0000", "120507"),
                RecordLine("250000", "3539.1000", "13945.0000", "120507") });
        const TLanguageScope english(TLanguage::English);
        TPreviewWindow* preview = opener().Open(ToPathForTest(log));
        QVERIFY(Settled(preview));
        QCOMPARE(preview->View()->Message(),
            QString::fromStdString(MessageText(TimeError("25:00:00"), TLanguage::English))
                + ".\nLog: " + log + ", line 3\n"
                + "The time field (columns 8-13) should be HHMMSS, such as 030405.");
    }

private:
    static std::filesystem::path ToPathForTest(const QString& path)
    {
        return std::filesystem::path(path.toStdString());
    }
};

std::unique_ptr<QObject> MakePreviewTests()
{
    return std::make_unique<TestPreview>();
}

} // namespace ostrel::test

#include "preview_tests.moc"
