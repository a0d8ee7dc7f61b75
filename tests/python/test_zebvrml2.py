"""The Python module against the zebvrml command and against numpy."""
import builtins
import glob
import os
import subprocess

import numpy as np
import pytest

import zebvrml2

SOURCE = os.environ.get("ZEBVRML2_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.environ.get("ZEBVRML2_TOOL", "zebvrml")
DATA = os.path.join(os.path.dirname(__file__), "data")
CORPUS = os.environ.get("ZEBVRML2_CORPUS", "")
WORLDS = sorted(glob.glob(os.path.join(SOURCE, "examples", "*.wrl")) + glob.glob(os.path.join(CORPUS, "*", "*.wrl")))


def printed(path):
    """What `zebvrml print` makes of a world: (exit status, stdout, stderr)."""
    run = subprocess.run([TOOL, "print", path], capture_output=True)
    return run.returncode, run.stdout.decode("utf-8", "replace"), run.stderr.decode("utf-8", "replace")


def test_every_world_loads_and_writes_as_the_command_prints_it():
    for path in WORLDS:
        status, out, err = printed(path)
        if status == 3:
            with pytest.raises(zebvrml2.LoadError) as fatal:
                zebvrml2.load(path)
            last = err.splitlines()[-1]
            assert last.startswith(f"{path}:") and last.endswith(f": fatal: {fatal.value}"), path
        else:
            with zebvrml2.load(path) as scene:
                assert scene.write() == out, path
    assert len(WORLDS) > 3


def test_edits_write_back_as_expected_and_read_back_the_same(tmp_path):
    other = zebvrml2.load(os.path.join(SOURCE, "examples", "hello.wrl"))
    with zebvrml2.load(os.path.join(DATA, "edit.wrl")) as scene:
        d = scene.defs
        d["Paint"]["diffuseColor"] = (0.25, 0.5, 1)
        d["Paint"]["shininess"] = 0.125
        d["Clock"]["loop"] = True
        d["Clock"]["startTime"] = 1e9 + 0.5
        d["Info"]["title"] = 'say "hi"\\'
        d["Info"]["info"] = ["x", "y z"]
        d["Elevation"]["xDimension"] = 2
        d["Elevation"]["height"] = np.array([1.5, -2])
        d["Mover"]["keyValue"] = d["Mover"]["keyValue"] * 2
        d["Spin"]["keyValue"] = [(0, 1, 0, 1.5)]
        d["Grey"]["keyValue"] = np.zeros((0, 3))
        d["Pic"]["image"] = (2, 1, 3, bytes([1, 2, 3, 250, 251, 252]))
        d["Post"]["lightColor"] = (0, 0, 1)
        face = scene.nodes("IndexedFaceSet")[0]
        face["coordIndex"] = [2, 1, 0, -1]
        face["texCoord"] = None
        d["Root"]["children"] = d["Root"]["children"] + [d["Mesh"]]
        scene.add_route(d["Clock"], "fraction_changed", d["Spin"], "set_fraction")
        scene.add_route(d["Spin"], "value_changed", d["Root"], "set_rotation")
        for line in open(os.path.join(DATA, "errors.txt")):
            if line.startswith("#"):
                continue
            name, field, value, error, message = line.rstrip("\n").split("|")
            with pytest.raises(getattr(builtins, error)) as refused:
                d[name][field] = eval(value, dict(d, other=other.roots[0]))
            assert str(refused.value) == message
        with pytest.raises(TypeError) as refused:
            scene.add_route(d["Clock"], "fraction_changed", d["Root"], "set_translation")
        assert str(refused.value) == "add_route: fraction_changed is SFFloat but set_translation is SFVec3f"
        expected = open(os.path.join(DATA, "edit.expected.wrl")).read()
        assert scene.write() == expected
        scene.write(tmp_path / "out.wrl")
    assert printed(str(tmp_path / "out.wrl")) == (0, expected, "")
    other.close()


@pytest.mark.parametrize("field,node,k,dtype", [
    ("point", "Coordinate", 3, np.float32), ("point", "TextureCoordinate", 2, np.float32),
    ("color", "Color", 3, np.float32), ("keyValue", "OrientationInterpolator", 4, np.float32),
    ("key", "ScalarInterpolator", 1, np.float32), ("coordIndex", "IndexedFaceSet", 1, np.int32)])
def test_arrays_match_the_values_in_the_text_and_survive_writing(field, node, k, dtype):
    rng = np.random.default_rng(len(node) * k)
    for n in (0, 1, 7, 1000):
        shape = (n,) if k == 1 else (n, k)
        if dtype == np.int32:
            values = rng.integers(-2**31, 2**31, size=shape, dtype=np.int64).astype(np.int32)
        else:
            values = (rng.standard_normal(shape) * 10.0 ** rng.integers(-30, 30, size=shape)).astype(np.float32)
        text = " ".join(repr(v.item()) for v in values.reshape(-1))
        with zebvrml2.loads(f"#VRML V2.0 utf8\nDEF N {node} {{ {field} [ {text} ] }}") as scene:
            got = scene.defs["N"][field]
            assert got.dtype == dtype and got.shape == shape and np.array_equal(got, values)
            got[...] = 0  # a copy: the scene keeps its values
            assert np.array_equal(scene.defs["N"][field], values)
            scene.defs["N"][field] = values[::-1]
            with zebvrml2.loads(scene.write()) as again:
                assert np.array_equal(again.defs["N"][field], values[::-1])


def test_fatal_load_raises_and_the_next_load_works():
    with pytest.raises(zebvrml2.LoadError) as fatal:
        zebvrml2.loads("#VRML V2.0 utf8\nGroup { children [ Shape { } Unknown { } ] }")
    assert str(fatal.value) == "Unrecognized node: Unknown"
    with zebvrml2.loads("#VRML V2.0 utf8\nDEF G Group { }") as scene:
        assert [n.type for n in scene.nodes()] == ["Group"]
    with zebvrml2.loads("Group { }\nIMPORT I.x AS y") as scene:  # read as far as it goes, and said so
        assert [(d.line, d.message) for d in scene.diagnostics if d.severity == "problem"] == [
            (1, 'not a VRML97 world: the first line is not "#VRML V2.0 utf8"'),
            (2, 'reading stopped here, at "I.x"; the rest of the input was not read')]


def test_nodes_keep_their_scene_alive_and_fail_cleanly_once_it_is_closed():
    node = zebvrml2.load(os.path.join(SOURCE, "examples", "hello.wrl")).defs["Red"]
    assert node["diffuseColor"] == pytest.approx((0.8, 0.1, 0.1))
    with zebvrml2.loads("#VRML V2.0 utf8\nDEF G Group { }") as scene:
        group = scene.roots[0]
    for use in (lambda: group["children"], lambda: scene.roots, lambda: scene.write()):
        with pytest.raises(ValueError, match="^operation on a released scene$"):
            use()


def resident_kib():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024


def test_load_and_release_cycles_do_not_grow_memory():
    hello = os.path.join(SOURCE, "examples", "hello.wrl")

    def cycles(n):
        for i in range(n):
            with zebvrml2.load(hello) as scene:
                scene.defs["Spinner"]["translation"] = scene.defs["Turn"]["keyValue"][0, :3]
                assert len(scene.routes) == 2 and scene.write().startswith("#VRML")
            if i % 10 == 0:
                with pytest.raises(zebvrml2.LoadError):
                    zebvrml2.loads("#VRML V2.0 utf8\nGroup { children [ Shape { } Unknown { } ] }")

    cycles(1000)
    before = resident_kib()
    cycles(10000)
    assert resident_kib() - before < 1024


def test_a_python_without_numpy_inspects_and_asks_for_numpy_only_for_arrays():
    python = os.environ.get("ZEBVRML2_OTHER_PYTHON")
    if not python:
        pytest.skip("one interpreter only")
    code = ("import zebvrml2; s = zebvrml2.load('examples/hello.wrl'); print(s.routes)\n"
            "try: s.defs['Turn']['key']\nexcept ImportError as e: print(e)\nelse: print('numpy present')")
    run = subprocess.run([python, "-c", code], capture_output=True, text=True, cwd=SOURCE)
    routes, no_numpy = open(os.path.join(DATA, "other_python.txt")).read().splitlines(True)
    has_numpy = subprocess.run([python, "-c", "import numpy"], capture_output=True).returncode == 0
    assert run.stdout == routes + ("numpy present\n" if has_numpy else no_numpy) and run.stderr == ""
