"""An https server for tests that speaks HTTP/2 only (ALPN "h2").

    h2_test_server.py <certificate PEM> <key PEM> <folder>

Serves the files of the folder on 127.0.0.1 and a free port, which it
writes as its first line; anything else is 404. Requests that arrive
together are answered together, the later ones first, so that several
streams of a connection are open at once. For each line it reads on its
standard input it writes "connections <c> streams <s> most <m>": the TLS
connections so far, the requests so far and the most streams open at once
on one connection. Ends when its standard input closes.
"""

import os
import socket
import ssl
import sys
import threading

import h2.config
import h2.connection
import h2.events
import h2.exceptions

lock = threading.Lock()
figures = {"connections": 0, "streams": 0, "most": 0}


def body_of(root, path):
    path = path.split("?", 1)[0]
    full = os.path.realpath(os.path.join(root, path.lstrip("/")))
    if not full.startswith(os.path.realpath(root) + os.sep) or not os.path.isfile(full):
        return None
    with open(full, "rb") as f:
        return f.read()


def answer(connection, stream, body):
    status = b"200" if body is not None else b"404"
    body = body if body is not None else b"not found\n"
    connection.send_headers(stream, [(b":status", status), (b"content-length", str(len(body)).encode())])
    size = connection.max_outbound_frame_size
    for at in range(0, len(body), size):
        connection.send_data(stream, body[at:at + size], end_stream=at + size >= len(body))
    if not body:
        connection.end_stream(stream)


def serve(raw, context, root):
    try:
        sock = context.wrap_socket(raw, server_side=True)
    except (ssl.SSLError, OSError):
        raw.close()
        return
    with lock:
        figures["connections"] += 1
    connection = h2.connection.H2Connection(config=h2.config.H2Configuration(client_side=False))
    connection.initiate_connection()
    sock.sendall(connection.data_to_send())
    sock.settimeout(0.02)
    waiting = []
    try:
        while True:
            try:
                data = sock.recv(65536)
                if not data:
                    return
                for event in connection.receive_data(data):
                    if isinstance(event, h2.events.RequestReceived):
                        path = dict(event.headers)[b":path"].decode()
                        waiting.append((event.stream_id, body_of(root, path)))
                        with lock:
                            figures["streams"] += 1
                            figures["most"] = max(figures["most"], len(waiting))
            except socket.timeout:
                for stream, body in reversed(waiting):
                    answer(connection, stream, body)
                waiting = []
            sock.sendall(connection.data_to_send())
    except (OSError, ssl.SSLError, h2.exceptions.ProtocolError):
        return
    finally:
        sock.close()


def main():
    certificate, key, root = sys.argv[1:4]
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(certificate, key)
    context.set_alpn_protocols(["h2"])
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    print(listener.getsockname()[1], flush=True)

    def accept():
        while True:
            raw, _ = listener.accept()
            threading.Thread(target=serve, args=(raw, context, root), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    for _ in sys.stdin:
        with lock:
            print(f"connections {figures['connections']} streams {figures['streams']} most {figures['most']}",
                  flush=True)


main()
