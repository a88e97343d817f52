"""Writes class files by hand, including broken ones.

A ClassFile collects its constant pool, members and attributes as byte
strings; every part can be replaced by raw bytes, so a test can put any
fault at any place. to_bytes() joins the parts in class-file order.
"""
import struct


def u1(v):
    return struct.pack(">B", v & 0xFF)


def u2(v):
    return struct.pack(">H", v & 0xFFFF)


def u4(v):
    return struct.pack(">I", v & 0xFFFFFFFF)


ACC_PUBLIC = 0x0001
ACC_PRIVATE = 0x0002
ACC_STATIC = 0x0008
ACC_FINAL = 0x0010
ACC_SUPER = 0x0020
ACC_NATIVE = 0x0100
ACC_INTERFACE = 0x0200
ACC_ABSTRACT = 0x0400


class ClassFile:
    def __init__(self, name, super_name="java/lang/Object", access=ACC_PUBLIC | ACC_SUPER):
        self._utf8 = {}
        self.magic = 0xCAFEBABE
        self.minor = 0
        self.major = 47
        self.entries = []          # raw constant-pool entries, index i + 1
        self.count_override = None
        self.access = access
        self.this_index = self.class_ref(name)
        self.super_index = self.class_ref(super_name) if super_name else 0
        self.interfaces = []
        self.fields = []           # raw field_info
        self.methods = []          # raw method_info
        self.attributes = []       # raw attribute_info
        self.trailing = b""

    # Constant pool. Each adder returns the index of its entry.
    def raw(self, data, slots=1):
        self.entries.append(data)
        index = len(self.entries)
        for _ in range(slots - 1):
            self.entries.append(None)
        return index

    def utf8(self, text):
        data = text.encode("utf-8") if isinstance(text, str) else text
        if data not in self._utf8:
            self._utf8[data] = self.raw(u1(1) + u2(len(data)) + data)
        return self._utf8[data]

    def class_ref(self, name):
        return self.raw(u1(7) + u2(self.utf8(name)))

    def string(self, text):
        return self.raw(u1(8) + u2(self.utf8(text)))

    def integer(self, value):
        return self.raw(u1(3) + u4(value))

    def long(self, value):
        return self.raw(u1(5) + u4(value >> 32) + u4(value), slots=2)

    def name_and_type(self, name, descriptor):
        return self.raw(u1(12) + u2(self.utf8(name)) + u2(self.utf8(descriptor)))

    def member_ref(self, tag, owner, name, descriptor):
        return self.raw(u1(tag) + u2(self.class_ref(owner)) + u2(self.name_and_type(name, descriptor)))

    # Members and attributes.
    def attribute(self, name, body, length=None):
        return u2(self.utf8(name)) + u4(len(body) if length is None else length) + body

    def field(self, name, descriptor, access=0, attributes=()):
        self.fields.append(u2(access) + u2(self.utf8(name)) + u2(self.utf8(descriptor)) +
                           u2(len(attributes)) + b"".join(attributes))

    def code(self, code, max_stack=1, max_locals=1, handlers=(), attributes=(), length=None):
        body = u2(max_stack) + u2(max_locals) + u4(len(code) if length is None else length) + code
        body += u2(len(handlers)) + b"".join(u2(a) + u2(b) + u2(c) + u2(d) for a, b, c, d in handlers)
        body += u2(len(attributes)) + b"".join(attributes)
        return self.attribute("Code", body)

    def method(self, name, descriptor, access=ACC_PUBLIC, attributes=None):
        if attributes is None:
            attributes = [self.code(b"\xb1", max_locals=0 if access & ACC_STATIC else 1)]
        self.methods.append(u2(access) + u2(self.utf8(name)) + u2(self.utf8(descriptor)) +
                            u2(len(attributes)) + b"".join(attributes))

    def constructor(self):
        init = self.member_ref(10, "java/lang/Object", "<init>", "()V")
        self.method("<init>", "()V", attributes=[self.code(b"\x2a\xb7" + u2(init) + b"\xb1")])

    def implements(self, name):
        self.interfaces.append(self.class_ref(name))

    def pool_bytes(self):
        count = len(self.entries) + 1 if self.count_override is None else self.count_override
        return u2(count) + b"".join(e for e in self.entries if e is not None)

    def to_bytes(self):
        out = u4(self.magic) + u2(self.minor) + u2(self.major) + self.pool_bytes()
        out += u2(self.access) + u2(self.this_index) + u2(self.super_index)
        out += u2(len(self.interfaces)) + b"".join(u2(i) for i in self.interfaces)
        out += u2(len(self.fields)) + b"".join(self.fields)
        out += u2(len(self.methods)) + b"".join(self.methods)
        out += u2(len(self.attributes)) + b"".join(self.attributes)
        return out + self.trailing
