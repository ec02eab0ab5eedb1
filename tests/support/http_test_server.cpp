#include "support/http_test_server.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <stdexcept>

namespace testsupport {
namespace {

QByteArray reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

void finish(QTcpSocket* socket)
{
    socket->disconnectFromHost();  // after the bytes written so far
}

}  // namespace

HttpTestServer::HttpTestServer() : server_(new QTcpServer(this))
{
    if (!server_->listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("the test server cannot listen on 127.0.0.1");
    connect(server_, &QTcpServer::newConnection, this, &HttpTestServer::accept);
}

HttpTestServer::~HttpTestServer() = default;

quint16 HttpTestServer::port() const { return server_->serverPort(); }

QString HttpTestServer::base_url() const { return QString("http://127.0.0.1:%1/").arg(port()); }

void HttpTestServer::set(const QByteArray& path, Response response) { responses_[path] = std::move(response); }

void HttpTestServer::set(const QByteArray& path, const QByteArray& body)
{
    Response response;
    response.body = body;
    set(path, response);
}

int HttpTestServer::request_count(const QByteArray& path) const
{
    int count = 0;
    for (const Request& r : requests_)
        count += r.path == path ? 1 : 0;
    return count;
}

void HttpTestServer::release()
{
    for (Held& held : held_) {
        if (held.socket && held.socket->state() == QAbstractSocket::ConnectedState) {
            held.socket->write(held.rest);
            finish(held.socket);
        }
    }
    held_.clear();
}

void HttpTestServer::accept()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        ++connections_;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            buffers_.remove(socket);
            socket->deleteLater();
        });
    }
}

void HttpTestServer::read(QTcpSocket* socket)
{
    QByteArray& buffer = buffers_[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    buffers_.remove(socket);
    Request request;
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.path = first.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers[lines[i].left(colon).trimmed().toLower()] = lines[i].mid(colon + 1).trimmed();
    }
    requests_.append(request);

    Response response;
    if (responses_.contains(request.path)) {
        response = responses_.value(request.path);
    } else {
        response.status = 404;
        response.body = "not found\n";
    }
    if (response.silent)
        return;

    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " " + reason(response.status) + "\r\n";
    if (response.content_length)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    if (response.hold_after >= 0 && response.hold_after < response.body.size()) {
        socket->write(response.body.left(response.hold_after));
        socket->flush();
        held_.append({socket, response.body.mid(response.hold_after)});
        return;
    }
    socket->write(response.body);
    finish(socket);
}

}  // namespace testsupport
