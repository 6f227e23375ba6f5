#!/usr/bin/env python3
"""Fails the build when a function that may be on the stack during one of the
page's awaits was not woven for unwinding by Asyncify.

Asyncify is told to take indirect calls for calls that never wait
(ASYNCIFY_IGNORE_INDIRECT) and is given, in asyncify-add.txt, the functions
that do reach an await through one. A function missing there used to trap
("unreachable") the first time the program unwound through it. Here the
linked program itself is read instead:

- an await is one of the imports named on the command line (the back end's
  EM_ASYNC_JS functions, which the build reads from its source);
- a function may wait when it calls one that may wait: directly, or
  indirectly through a virtual call (its vtable offset and signature name the
  methods it may reach) or through any other pointer (its signature names
  every function it may reach);
- a woven function reads Asyncify's state global.

Every function that may wait and is not woven is named, with what makes it
wait, and the build stops.

    asyncify_check.py WASM_DIS PROGRAM.wasm [PROGRAM.js.symbols] --await NAME...
"""
import re
import subprocess
import sys

TOKEN = re.compile(r'\(|\)|"(?:[^"\\]|\\.)*"|[^\s()"]+')


def parse(text):
    """The module's text form as nested lists."""
    stack = [[]]
    for token in TOKEN.findall(text):
        if token == '(':
            stack.append([])
        elif token == ')':
            done = stack.pop()
            stack[-1].append(done)
        else:
            stack[-1].append(token)
    return stack[0][0]


def string_bytes(literal):
    out = bytearray()
    body = literal[1:-1]
    i = 0
    while i < len(body):
        c = body[i]
        if c != '\\':
            out += c.encode('utf-8')
            i += 1
            continue
        nxt = body[i + 1]
        simple = {'t': 9, 'n': 10, 'r': 13, '"': 34, "'": 39, '\\': 92}
        if nxt in simple:
            out.append(simple[nxt])
            i += 2
        else:
            out.append(int(body[i + 1:i + 3], 16))
            i += 3
    return bytes(out)


def signature(items):
    params, results = [], []
    for item in items:
        if isinstance(item, list) and item and item[0] in ('param', 'result'):
            kinds = [x for x in item[1:] if not x.startswith('$')]
            (params if item[0] == 'param' else results).extend(kinds)
    return ' '.join(params) + ' -> ' + ' '.join(results)


def offset_of(node):
    for item in node[1:]:
        if isinstance(item, str) and item.startswith('offset='):
            return int(item[len('offset='):], 0)
    return 0


def walk(node):
    yield node
    for item in node:
        if isinstance(item, list):
            yield from walk(item)


class Program:
    def __init__(self, module, names):
        self.types = {}
        self.funcs = []  # [name, signature, body or None for an import]
        table_names = []
        data = {}
        for item in module[1:]:
            if not isinstance(item, list):
                continue
            if item[0] == 'type':
                self.types[item[1]] = signature(item[2][1:])
            elif item[0] == 'import' and isinstance(item[3], list) and item[3][0] == 'func':
                self.funcs.append([item[3][1], signature(item[3][2:]), None])
            elif item[0] == 'func':
                self.funcs.append([item[1], signature(item[2:]), item[2:]])
            elif item[0] == 'elem':
                start = int(item[1][1])
                table_names = [(start + i, n) for i, n in enumerate(item[2:]) if isinstance(n, str)]
            elif item[0] == 'data':
                address = int(item[1][1])
                for piece in item[2:]:
                    blob = string_bytes(piece)
                    for i in range(0, len(blob) - 3):
                        data[address + i] = int.from_bytes(blob[i:i + 4], 'little')
                    address += len(blob)
        self.index = {f[0]: i for i, f in enumerate(self.funcs)}
        self.names = [names.get(i, f[0][1:]) for i, f in enumerate(self.funcs)]
        self.imports = sum(1 for f in self.funcs if f[2] is None)
        # Table slot -> function; then every place in memory a slot is kept.
        slot_of = {self.index[n]: s for s, n in table_names}
        self.in_table = set(slot_of)
        self.slot_of = slot_of
        vptrs = set()
        for f in self.funcs:
            for node in walk(f[2] or []):
                if node and node[0] == 'i32.store' and isinstance(node[-1], list) and \
                        node[-1][0] == 'i32.const':
                    vptrs.add(int(node[-1][1]))
        vptrs = sorted(v for v in vptrs if v in data)
        kept = {}
        for address, word in data.items():
            if address % 4 == 0:
                kept.setdefault(word, []).append(address)
        # Where a function may sit in a vtable: its slot number kept in memory
        # up to 512 bytes above an address a constructor stores as a vptr.
        # Each such pair counts, so a slot number that is only a number in the
        # data adds a reach that is not there, never takes one away.
        self.vtable_slots = {}
        for f, slot in slot_of.items():
            self.vtable_slots[f] = {address - v for address in kept.get(slot, [])
                                    for v in vptrs if 0 <= address - v < 512}
        self.state = self.find_state()

    def find_state(self):
        # Woven functions begin by asking whether the program is rewinding
        # (state 2): the global asked most often that way is the state.
        counts = {}
        for f in self.funcs:
            for node in walk(f[2] or []):
                if node and node[0] == 'i32.eq' and len(node) == 3 and \
                        isinstance(node[1], list) and node[1][0] == 'global.get' and \
                        node[2] == ['i32.const', '2']:
                    counts[node[1][1]] = counts.get(node[1][1], 0) + 1
        return max(counts, key=counts.get) if counts else None

    def calls(self, i):
        """Direct callees, and indirect calls as (signature, where), where is
        ('slot', n) for a constant table slot, ('vtable', offsets) for a
        virtual call, or None for any other pointer."""
        body = self.funcs[i][2] or []
        # What each local is set to, for a pointer loaded before its call.
        assigned = {}
        for node in walk(body):
            if node and node[0] in ('local.set', 'local.tee') and len(node) == 3:
                assigned.setdefault(node[1], []).append(node[2])

        def vtable_offset(value):
            # A slot loaded from a pointer that was itself loaded (the vptr).
            if not (isinstance(value, list) and value[0] == 'i32.load'):
                return None
            vptrs = sources(value[-1], set())
            if vptrs and all(isinstance(v, list) and v[0] == 'i32.load' for v in vptrs):
                return offset_of(value)
            return None

        def sources(value, seen):
            # What a value may be, through the locals it was copied by.
            if not (isinstance(value, list) and value[0] in ('local.get', 'local.tee')):
                return [value]
            if value[0] == 'local.tee':
                return sources(value[2], seen)
            if value[1] not in assigned:
                return [value]  # a parameter: anything
            if value[1] in seen:
                return []
            seen.add(value[1])
            found = []
            for assigned_value in assigned.get(value[1], []):
                found += sources(assigned_value, seen)
            return found

        direct, indirect = set(), set()
        for node in walk(body):
            if not node:
                continue
            if node[0] == 'call':
                direct.add(self.index[node[1]])
            elif node[0] == 'call_indirect':
                kind = self.types[next(x for x in node if isinstance(x, list) and x[0] == 'type')[1]]
                callee = node[-1]
                where = None
                if callee[0] == 'i32.const':
                    where = ('slot', int(callee[1]))
                else:
                    values = sources(callee, set())
                    offsets = {vtable_offset(v) for v in values}
                    if values and None not in offsets:
                        where = ('vtable', frozenset(offsets))
                indirect.add((kind, where))
        return direct, indirect

    def woven(self, i):
        return any(node[:2] == ['global.get', self.state] for node in walk(self.funcs[i][2] or []))

    def reaches(self, caller, site, f):
        kind, virtual = site
        if self.funcs[f][1] != kind or f not in self.in_table:
            return False
        # The C library calls through pointers only to its own functions
        # (the streams' read, write and seek).
        if '::' not in self.names[caller]:
            return False
        # A constant slot reaches its function, a virtual call only what sits
        # at its offset in some vtable; any other call through a pointer
        # reaches every function of its type.
        if virtual is None:
            return True
        if virtual[0] == 'slot':
            return self.slot_of[f] == virtual[1]
        # (A function found in no vtable may still be in one this reading
        # missed: it counts at every offset.)
        return not self.vtable_slots[f] or bool(virtual[1] & self.vtable_slots[f])


def check(program, awaits):
    calls = {i: program.calls(i) for i in range(len(program.funcs))}
    waits = {i: 'is an await' for i in awaits}
    changed = True
    while changed:
        changed = False
        entries = [f for f in waits if f in program.in_table]
        for i, (direct, indirect) in calls.items():
            if i in waits:
                continue
            why = next((program.names[c] for c in direct if c in waits), None)
            if why is None:
                why = next((program.names[f] + ' (indirectly)'
                            for site in indirect for f in entries if program.reaches(i, site, f)), None)
            if why is not None:
                waits[i] = 'calls ' + why
                changed = True
    return [(program.names[i], why) for i, why in sorted(waits.items())
            if i >= program.imports and not program.woven(i)]


def main(argv):
    if '--await' not in argv:
        sys.exit(__doc__)
    at = argv.index('--await')
    files, wanted = argv[1:at], set(argv[at + 1:])
    wasm_dis, wasm = files[0], files[1]
    names = {}
    if len(files) > 2:
        for line in open(files[2], encoding='utf-8'):
            number, _, name = line.rstrip('\n').partition(':')
            names[int(number)] = re.sub(r'\\([0-9a-f]{2})', lambda m: chr(int(m.group(1), 16)), name)
    text = subprocess.run([wasm_dis, wasm], check=True, capture_output=True, text=True).stdout
    program = Program(parse(text), names)
    awaits = [i for i in range(program.imports) if program.names[i] in wanted]
    missing = sorted(wanted - {program.names[i] for i in awaits})
    if missing:
        sys.exit('asyncify check: no import named ' + ', '.join(missing))
    if program.state is None:
        sys.exit('asyncify check: the program was not woven by Asyncify at all')
    unwoven = check(program, awaits)
    for name, why in unwoven:
        print(f'asyncify check: {name} may wait ({why}) but is not woven; '
              'add it to asyncify-add.txt', file=sys.stderr)
    return 1 if unwoven else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
