#!/usr/bin/env python3
"""Security policy generator: turns the policy description (JSON) into the
ROM policy files under midlet/permission/ ("domains.idx", one .adi file per
domain, "resource/en_US.dat", "_dn.idx") and writes a ROM manifest that adds
them to a base manifest.

usage: policygen.py DESCRIPTION BASE_MANIFEST OUT_DIR OUT_MANIFEST

Permission names are texts 32 on; each group's title, message and label
are texts 3g, 3g + 1 and 3g + 2; the description's extra texts fill the
rest of 0 to 31. All numbers are little-endian.
"""
import json
import os
import struct
import sys

NAME_BYTES = 256
DN_VALUE_BYTES = 64
DN_VALUES = 6
FIRST_NAME_TEXT = 32
NO_TEXT = 0xFFFFFFFF


def texts_of(policy):
    texts = [""] * FIRST_NAME_TEXT
    for g, group in enumerate(policy["groups"]):
        texts[3 * g:3 * g + 3] = [group["title"], group["message"], group["label"]]
    for index, text in policy["extra_texts"].items():
        if texts[int(index)]:
            sys.exit(f"text {index} given twice")
        texts[int(index)] = text
    texts += [name for name, _ in policy["permissions"]]
    return texts


def domains_idx(policy):
    out = bytearray([len(policy["domains"])])
    for name in policy["domains"]:
        out += name.encode().ljust(NAME_BYTES, b"\0")
    return bytes(out)


def adi(policy, domain):
    permissions = policy["permissions"]
    groups = policy["groups"]
    defaults = policy["defaults"][domain]
    rules = policy["exclusive_rules"][domain]
    out = bytearray(struct.pack("<BBBb", len(permissions), len(groups), 0, len(rules)))
    for p, (_, group) in enumerate(permissions):
        out += struct.pack("<IB", FIRST_NAME_TEXT + p, group)
    for g, group in enumerate(groups):
        out += struct.pack("<6I", group["id"], defaults["states"][g], defaults["modes"][g], 3 * g, 3 * g + 1, 3 * g + 2)
    for rule in rules:
        out += struct.pack("<BIBIBIIIII", *rule)
    return bytes(out)


def en_us(texts):
    offsets = []
    body = bytearray()
    table = 4 * len(texts)
    for text in texts:
        offsets.append(table + len(body))
        data = text.encode() + b"\0"
        body += struct.pack("<I", len(data)) + data
    return struct.pack("<I", len(texts)) + b"".join(struct.pack("<I", o) for o in offsets) + bytes(body)


def dn_idx(policy):
    out = bytearray(b"DN_HEADER\0")
    out.append(len(policy["signers"]))
    for domain, values in policy["signers"]:
        if len(values) != DN_VALUES:
            sys.exit("a signer has six values")
        out.append(domain)
        for value in values:
            data = value.encode()
            if len(data) >= DN_VALUE_BYTES:
                sys.exit(f"signer value too long: {value}")
            out += data.ljust(DN_VALUE_BYTES, b"\0")
    return bytes(out)


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    description, base_manifest, out_dir, out_manifest = sys.argv[1:]
    with open(description, encoding="utf-8") as f:
        policy = json.load(f)
    files = {"domains.idx": domains_idx(policy), "resource/en_US.dat": en_us(texts_of(policy)),
             "_dn.idx": dn_idx(policy)}
    for domain in policy["domains"]:
        files[domain + ".adi"] = adi(policy, domain)
    lines = []
    base_dir = os.path.dirname(os.path.abspath(base_manifest))
    with open(base_manifest, encoding="utf-8") as f:
        for line in f:
            parts = line.split()
            if len(parts) == 2 and not line.startswith("#"):
                line = f"{parts[0]} {os.path.join(base_dir, parts[1])}\n"
            lines.append(line)
    for name, data in files.items():
        path = os.path.join(out_dir, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        lines.append(f"midlet/permission/{name} {os.path.abspath(path)}\n")
    with open(out_manifest, "w", encoding="utf-8") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
