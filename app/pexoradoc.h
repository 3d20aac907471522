// The document of the single-document template. It holds no picture (pictures live in the image
// pane): opening a file through it only makes that file the document, for the title and the
// recent-file list.
#pragma once

#include <QObject>
#include <QString>

class CPexoraDoc : public QObject
{
    Q_OBJECT
public:
    explicit CPexoraDoc(QObject *parent = nullptr);
    ~CPexoraDoc() override;

    // A new document, titled "Tarnis Viewer".
    bool OnNewDocument();
    // Checks that path can be read (nothing is loaded); false when it cannot.
    bool OnOpenDocument(const QString &path);

    // Makes path the document's file; the title becomes its file name.
    void SetPathName(const QString &path);
    const QString &GetPathName() const { return m_pathName; }
    void SetTitle(const QString &title) { m_title = title; }
    const QString &GetTitle() const { return m_title; }

private:
    QString m_pathName;
    QString m_title;
};
