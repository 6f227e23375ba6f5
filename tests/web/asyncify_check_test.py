#!/usr/bin/env python3
"""asyncify_check.py against small programs woven by binaryen's own Asyncify
pass, as the link weaves the game: a virtual call to a method that waits,
one to a method of the same type at another vtable slot that does not, and
the C library's call through a stream pointer.

    asyncify_check_test.py WASM_OPT WASM_DIS
"""
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CHECK = os.path.join(HERE, '..', '..', 'platform', 'backends', 'web', 'asyncify_check.py')
WASM_OPT, WASM_DIS = sys.argv[1:3] if len(sys.argv) >= 3 else ('wasm-opt', 'wasm-dis')

# A vtable at 1024 whose address point is 1032: slot 0 waits, slot 4 does not.
PROGRAM = r'''
(module
  (type $method (func (param i32)))
  (import "env" "wait" (func $wait))
  (memory 1)
  (table 3 3 funcref)
  (elem (i32.const 1) $game::Backend::waits $game::Backend::quiet)
  (data (i32.const 1024) "\00\00\00\00\00\00\00\00\01\00\00\00\02\00\00\00")
  (func $game::Backend::waits (param $this i32) (call $wait))
  (func $game::Backend::quiet (param $this i32))
  (func $game::Backend::Backend (param $this i32)
    (i32.store (local.get $this) (i32.const 1032)))
  (func $game::viaWaitingSlot (param $this i32)
    (call_indirect (type $method) (local.get $this)
      (i32.load offset=0 (i32.load (local.get $this)))))
  (func $game::viaQuietSlot (param $this i32)
    (call_indirect (type $method) (local.get $this)
      (i32.load offset=4 (i32.load (local.get $this)))))
  (func $game::viaLocal (param $this i32) (local $f i32)
    (local.set $f (i32.load offset=0 (i32.load (local.get $this))))
    (call_indirect (type $method) (local.get $this) (local.get $f)))
  (func $game::viaConstantWaits (param $this i32)
    (call_indirect (type $method) (local.get $this) (i32.const 1)))
  (func $game::viaConstantQuiet (param $this i32)
    (call_indirect (type $method) (local.get $this) (i32.const 2)))
  (func $game::viaParameter (param $this i32) (param $f i32)
    (call_indirect (type $method) (local.get $this) (local.get $f)))
  (func $fwrite (param $file i32)
    (call_indirect (type $method) (local.get $file) (i32.load offset=36 (local.get $file))))
  (func $main (export "main")
    (call $game::Backend::Backend (i32.const 0))
    (call $game::viaWaitingSlot (i32.const 0))
    (call $game::viaQuietSlot (i32.const 0))
    (call $game::viaLocal (i32.const 0))
    (call $game::viaConstantWaits (i32.const 0))
    (call $game::viaConstantQuiet (i32.const 0))
    (call $game::viaParameter (i32.const 0) (i32.const 2))
    (call $fwrite (i32.const 64)))
)
'''


def checked(added):
    """The check's exit status and its complaints for the program woven with
    `added` as Asyncify's add list."""
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, 'program.wat')
        woven = os.path.join(folder, 'program.wasm')
        with open(source, 'w') as out:
            out.write(PROGRAM)
        weave = [WASM_OPT, source, '--asyncify', '--pass-arg=asyncify-imports@env.wait',
                 '--pass-arg=asyncify-ignore-indirect', '-g', '-o', woven]
        if added:
            weave.insert(-3, '--pass-arg=asyncify-addlist@' + ','.join(added))
        subprocess.run(weave, check=True)
        run = subprocess.run([sys.executable, CHECK, WASM_DIS, woven, '--await', 'wait'],
                             capture_output=True, text=True)
        return run.returncode, run.stderr


class AsyncifyCheck(unittest.TestCase):
    def test_the_callers_of_a_waiting_virtual_method_must_be_woven(self):
        status, complaints = checked([])
        self.assertEqual(status, 1)
        # A pointer from anywhere may be any method of its type.
        for name in ('game::viaWaitingSlot', 'game::viaLocal', 'game::viaConstantWaits',
                     'game::viaParameter', 'main'):
            self.assertIn(f'check: {name} may wait', complaints)
        # Another slot of the same type, a constant slot of a quiet method,
        # and the C library's stream calls reach no wait.
        for name in ('viaQuietSlot', 'viaConstantQuiet', 'fwrite'):
            self.assertNotIn(name, complaints)

    def test_a_program_woven_where_it_waits_passes(self):
        status, complaints = checked(['game::viaWaitingSlot', 'game::viaLocal',
                                      'game::viaConstantWaits', 'game::viaParameter', 'main'])
        self.assertEqual((status, complaints), (0, ''))

    def test_one_caller_left_out_is_named_alone(self):
        status, complaints = checked(['game::viaWaitingSlot', 'game::viaConstantWaits',
                                      'game::viaParameter', 'main'])
        self.assertEqual(status, 1)
        self.assertEqual([line.split(' may wait')[0] for line in complaints.splitlines()],
                         ['asyncify check: game::viaLocal'])


if __name__ == '__main__':
    unittest.main(argv=sys.argv[:1])
