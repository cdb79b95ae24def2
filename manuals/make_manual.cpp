// Renders the Markdown source of the user manual into a PDF with Qt's own
// text layout and printer, so the build needs nothing beyond Qt.
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_manual SOURCE.md OUTPUT.pdf\n");
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make_manual: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString markdown = QString::fromUtf8(in.readAll());

    QTextDocument doc;
    QFont body("DejaVu Sans");
    body.setPointSizeF(10.5);
    doc.setDefaultFont(body);
    doc.setDefaultStyleSheet("h1 { color: #1f4e79; } h2 { color: #1f4e79; } h3 { color: #2e6da4; }"
                             "code { font-family: 'DejaVu Sans Mono'; }");
    doc.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromLocal8Bit(argv[2]));
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(20, 18, 20, 18), QPageLayout::Millimeter));
    printer.setDocName(doc.metaInformation(QTextDocument::DocumentTitle));
    printer.setCreator("TrevoPelquor manual");
    doc.print(&printer);
    if (!QFile::exists(printer.outputFileName())) {
        std::fprintf(stderr, "make_manual: no output written to %s\n", argv[2]);
        return 1;
    }
    return 0;
}
