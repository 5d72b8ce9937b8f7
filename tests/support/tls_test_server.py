#!/usr/bin/env python3
"""HTTPS servers on 127.0.0.1 for the Windows tests of the site check (tls_test_server.h).

Usage: tls_test_server.py DIR LIFETIME_SECONDS

Makes DIR, a test CA (ca.der) and three servers, each answering every GET with a small page:
  soon       certificate from the CA for 127.0.0.1, ending 3 days from now less an hour
  expired    certificate from the CA that ended yesterday
  untrusted  self-signed certificate for 127.0.0.1, valid for a year
then writes "NAME PORT" lines to DIR/ports (by rename, so a reader never sees half of it). It
serves until DIR/stop appears or LIFETIME_SECONDS pass, then removes DIR. When a module it needs
is missing it writes the reason to DIR/missing and ends.
"""
import datetime
import ipaddress
import os
import shutil
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

CA_NAME = "Quillmark loopback test CA"


def main():
    folder, lifetime = sys.argv[1], float(sys.argv[2])
    os.makedirs(folder, exist_ok=True)
    try:
        from cryptography import x509
        from cryptography.hazmat.primitives import hashes, serialization
        from cryptography.hazmat.primitives.asymmetric import ec
        from cryptography.x509.oid import NameOID
    except ImportError as e:
        write(folder, "missing", "python3 module cryptography not found: %s\n" % e)
        return

    now = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)
    day = datetime.timedelta(days=1)

    def name(text):
        return x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, text)])

    def certificate(subject, key, issuer, issuer_key, start, end, ca):
        builder = (x509.CertificateBuilder().subject_name(name(subject)).issuer_name(name(issuer))
                   .public_key(key.public_key()).serial_number(x509.random_serial_number())
                   .not_valid_before(start).not_valid_after(end)
                   .add_extension(x509.BasicConstraints(ca=ca, path_length=None), critical=True))
        if not ca:
            builder = builder.add_extension(x509.SubjectAlternativeName([
                x509.DNSName("127.0.0.1"), x509.DNSName("localhost"),
                x509.IPAddress(ipaddress.ip_address("127.0.0.1"))]), critical=False)
        return builder.sign(issuer_key, hashes.SHA256())

    def pem_files(label, cert, key):
        cert_path = os.path.join(folder, label + ".crt")
        key_path = os.path.join(folder, label + ".key")
        with open(cert_path, "wb") as f:
            f.write(cert.public_bytes(serialization.Encoding.PEM))
        with open(key_path, "wb") as f:
            f.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                      serialization.NoEncryption()))
        return cert_path, key_path

    ca_key = ec.generate_private_key(ec.SECP256R1())
    # The CA lives two days: one left behind by a test that crashed soon stops counting.
    ca = certificate(CA_NAME, ca_key, CA_NAME, ca_key, now - 30 * day, now + 2 * day, True)
    write(folder, "ca.der", ca.public_bytes(serialization.Encoding.DER))

    servers = {}
    plans = {
        "soon": (now - day, now + 3 * day - datetime.timedelta(hours=1), True),
        "expired": (now - 10 * day, now - day, True),
        "untrusted": (now - day, now + 365 * day, False),
    }
    for label, (start, end, from_ca) in plans.items():
        key = ec.generate_private_key(ec.SECP256R1())
        subject = "127.0.0.1"
        cert = (certificate(subject, key, CA_NAME, ca_key, start, end, False) if from_ca
                else certificate(subject, key, subject, key, start, end, False))
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(*pem_files(label, cert, key))
        server = ThreadingHTTPServer(("127.0.0.1", 0), Page)
        server.daemon_threads = True
        server.socket = context.wrap_socket(server.socket, server_side=True)
        servers[label] = server
        threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05}, daemon=True).start()

    write(folder, "ports", "".join("%s %d\n" % (label, s.server_address[1]) for label, s in servers.items()))
    end = time.monotonic() + lifetime
    stop = os.path.join(folder, "stop")
    while time.monotonic() < end and not os.path.exists(stop):
        time.sleep(0.05)
    for server in servers.values():
        server.shutdown()
        server.server_close()
    shutil.rmtree(folder, ignore_errors=True)


class Page(BaseHTTPRequestHandler):
    def do_GET(self):
        body = ("<html><title>%s</title></html>" % self.path.strip("/")).encode("ascii", "replace")
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def write(folder, leaf, data):
    part = os.path.join(folder, leaf + ".part")
    with open(part, "wb" if isinstance(data, bytes) else "w") as f:
        f.write(data)
    os.replace(part, os.path.join(folder, leaf))


if __name__ == "__main__":
    main()
