#pragma once
// The headers every answer of the live web board carries, and an answer written straight
// to its connection: the history's answers are made on a thread of their own and arrive
// after the request has been handed back to the HTTP server.

#include <QByteArray>

namespace kub {

constexpr char kWebSecurityPolicy[] =
    "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; img-src 'self'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

// A whole HTTP/1.1 answer with those headers; `attachment` names a file to save it as.
QByteArray webAnswerBytes(int status, const QByteArray& type, const QByteArray& body,
                          const QByteArray& attachment = {});

}  // namespace kub
