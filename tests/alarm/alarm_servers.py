#!/usr/bin/python3
"""Servers the alarm delivery tests and benchmark talk to, on 127.0.0.1.

  alarm_servers.py webhook DIR PORT   HTTP server; PORT 0 takes a free one. Writes the port
                                      to DIR/port when it listens. Each request is appended
                                      to DIR/requests.jsonl (method, path, headers, body,
                                      status, time) as it comes, then answered as
                                      DIR/verhalten says (JSON: status, delay seconds, answer
                                      bytes; default 200 at once).
  alarm_servers.py refuse PORT        SMTP server (aiosmtpd) that refuses every recipient
                                      for good (550).
  alarm_servers.py drop PORT N        takes N connections on PORT, closes each at once
                                      (after an SMTP greeting), then ends.
"""
import json
import os
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def webhook(folder, port):
    lock = threading.Lock()

    class Handler(BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def answer(self):
            length = int(self.headers.get('Content-Length') or 0)
            body = self.rfile.read(length) if length else b''
            try:
                with open(os.path.join(folder, 'verhalten')) as f:
                    how = json.load(f)
            except (OSError, ValueError):
                how = {}
            status = int(how.get('status', 200))
            with lock, open(os.path.join(folder, 'requests.jsonl'), 'a') as f:
                f.write(json.dumps({'method': self.command, 'path': self.path,
                                    'headers': {k: v for k, v in self.headers.items()},
                                    'body': body.decode('utf-8', 'replace'), 'status': status,
                                    'time': time.time()}) + '\n')
            if how.get('delay'):
                time.sleep(float(how['delay']))
            extra = int(how.get('answer_bytes', 0))
            self.send_response(status)
            self.send_header('Content-Length', str(extra))
            self.end_headers()
            chunk = b'x' * 65536
            while extra > 0:
                try:
                    self.wfile.write(chunk[:extra])
                except OSError:
                    return
                extra -= len(chunk)

        do_POST = do_PUT = do_GET = do_PATCH = do_DELETE = answer

    ThreadingHTTPServer.daemon_threads = True
    server = ThreadingHTTPServer(('127.0.0.1', port), Handler)
    with open(os.path.join(folder, 'port.neu'), 'w') as f:
        f.write(str(server.server_address[1]))
    os.rename(os.path.join(folder, 'port.neu'), os.path.join(folder, 'port'))
    server.serve_forever()


def refuse(port):
    from aiosmtpd.controller import Controller

    class Refuse:
        async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
            return '550 5.1.1 Empfaenger unbekannt'

    Controller(Refuse(), hostname='127.0.0.1', port=port).start()
    threading.Event().wait()


def drop(port, count):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(('127.0.0.1', port))
    s.listen(8)
    for _ in range(count):
        c, _ = s.accept()
        c.sendall(b'220 gleich weg\r\n')
        c.close()
    s.close()


if __name__ == '__main__':
    if sys.argv[1] == 'webhook':
        webhook(sys.argv[2], int(sys.argv[3]))
    elif sys.argv[1] == 'refuse':
        refuse(int(sys.argv[2]))
    else:
        drop(int(sys.argv[2]), int(sys.argv[3]))
