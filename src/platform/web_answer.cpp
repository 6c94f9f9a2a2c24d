#include "platform/web_answer.h"

namespace kub {

namespace {

const char* reason(int status) {
    switch (status) {
        case 200: return "OK";
        case 400: return "Bad Request";
        case 500: return "Internal Server Error";
        case 503: return "Service Unavailable";
        default: return "Error";
    }
}

}  // namespace

QByteArray webAnswerBytes(int status, const QByteArray& type, const QByteArray& body, const QByteArray& attachment) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + " " + reason(status) + "\r\n";
    out += "Content-Type: " + type + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += QByteArray("Content-Security-Policy: ") + kWebSecurityPolicy + "\r\n";
    out += "X-Content-Type-Options: nosniff\r\nReferrer-Policy: no-referrer\r\nCache-Control: no-store\r\n";
    if (!attachment.isEmpty()) out += "Content-Disposition: attachment; filename=\"" + attachment + "\"\r\n";
    out += "\r\n";
    return out + body;
}

}  // namespace kub
