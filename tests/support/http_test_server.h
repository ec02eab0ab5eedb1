// A small HTTP/1.1 server on 127.0.0.1 for the download and update tests.
// It runs on the thread that made it (the test's GUI thread), answers each
// request on its own connection and closes it, and can misbehave on purpose:
// leave out the length, hold back the rest of a body, or say nothing.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QTcpSocket>

class QTcpServer;

namespace testsupport {

class HttpTestServer : public QObject {
public:
    struct Response {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool content_length = true;  // without it, the end of the body is the end of the connection
        qsizetype hold_after = -1;   // send this many body bytes, the rest on release()
        bool silent = false;         // accept the connection and never answer
    };
    struct Request {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers;  // names in lower case
    };

    HttpTestServer();
    ~HttpTestServer() override;

    // "http://127.0.0.1:PORT/"
    QString base_url() const;
    quint16 port() const;

    // The answer for a path ("/vexalithHome/version.txt"); other paths get 404.
    void set(const QByteArray& path, Response response);
    void set(const QByteArray& path, const QByteArray& body);

    // Sends what the held responses kept back and closes their connections.
    void release();

    const QList<Request>& requests() const { return requests_; }
    int request_count(const QByteArray& path) const;
    // Connections accepted, answered or not.
    int connection_count() const { return connections_; }

private:
    void accept();
    void read(QTcpSocket* socket);

    struct Held {
        QPointer<QTcpSocket> socket;
        QByteArray rest;
    };

    QTcpServer* server_;
    QMap<QByteArray, Response> responses_;
    QMap<QTcpSocket*, QByteArray> buffers_;
    QList<Held> held_;
    QList<Request> requests_;
    int connections_ = 0;
};

}  // namespace testsupport
