"""Blowfish encipherment for the demo service, which hands out its session token enciphered
under the key text it shares with the library, as Base64, the way ov_Decrypt reads it.

Written from the cipher's description, with the tables computed by the generator of the library's
tables, so that a test of ov_Decrypt against it compares two independent implementations.
"""
import base64
import importlib.util
from pathlib import Path

SHARED_KEY_TEXT = "m41ekzr2x6c305pdGKW417z52hxlu-]{"
_ALPHABET = set(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")


def _initial_words():
    path = Path(__file__).resolve().parents[2] / "tools/generate-blowfish-tables.py"
    tables = importlib.util.spec_from_file_location("blowfish_tables", path)
    module = importlib.util.module_from_spec(tables)
    tables.loader.exec_module(module)
    return module.pi_fraction_words()


def lenient_base64(text: str) -> bytes:
    """Base64 that passes over characters outside the alphabet and drops a last partial byte."""
    kept = bytes(c for c in text.encode("latin-1") if c in _ALPHABET)
    kept = kept[:len(kept) - len(kept) % 4 if len(kept) % 4 == 1 else len(kept)]
    return base64.b64decode(kept + b"=" * (-len(kept) % 4))


class Blowfish:
    def __init__(self, key: bytes):
        words = _initial_words()
        self.p = words[:18]
        self.s = [words[18 + 256 * t:18 + 256 * (t + 1)] for t in range(4)]
        for i in range(18):
            word = 0
            for j in range(4):
                word = (word << 8) | key[(4 * i + j) % len(key)]
            self.p[i] ^= word
        left = right = 0
        for table, size in [(self.p, 18)] + [(box, 256) for box in self.s]:
            for i in range(0, size, 2):
                left, right = self.encrypt_block(left, right)
                table[i], table[i + 1] = left, right

    def _f(self, x):
        a, b, c, d = x >> 24, (x >> 16) & 0xFF, (x >> 8) & 0xFF, x & 0xFF
        return ((((self.s[0][a] + self.s[1][b]) & 0xFFFFFFFF) ^ self.s[2][c]) + self.s[3][d]) & 0xFFFFFFFF

    def encrypt_block(self, left, right):
        for i in range(16):
            left ^= self.p[i]
            right ^= self._f(left)
            left, right = right, left
        left, right = right, left
        return left ^ self.p[17], right ^ self.p[16]

    def encrypt(self, data: bytes) -> bytes:
        """Electronic codebook; `data` is padded with zero bytes to whole 8-byte blocks."""
        data += bytes(-len(data) % 8)
        out = bytearray()
        for i in range(0, len(data), 8):
            left, right = self.encrypt_block(int.from_bytes(data[i:i + 4], "big"),
                                             int.from_bytes(data[i + 4:i + 8], "big"))
            out += left.to_bytes(4, "big") + right.to_bytes(4, "big")
        return bytes(out)


def shared_key_token(text: str) -> str:
    """`text` enciphered under the shared key text, in Base64."""
    cipher = Blowfish(lenient_base64(SHARED_KEY_TEXT))
    return base64.b64encode(cipher.encrypt(text.encode("latin-1"))).decode()


# Two of the published vectors (key, block, ciphertext), checked whenever the service starts.
for _key, _block, _expected in [("0000000000000000", "0000000000000000", "4ef997456198dd78"),
                                ("ffffffffffffffff", "ffffffffffffffff", "51866fd5b85ecb8a")]:
    assert Blowfish(bytes.fromhex(_key)).encrypt(bytes.fromhex(_block)).hex() == _expected
