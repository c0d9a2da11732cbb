"""The scene graph, buffers and threads from Python, checked against what the C++
API gives."""
import os
import subprocess
import threading

import numpy as np
import pytest
import vorlansg
from conftest import data_path
from vorlansg import VgxError


def fnv1a(data):
    value = 14695981039346656037
    for byte in data:
        value = ((value ^ byte) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return value


def test_buffers_match_the_cpp_bytes(root):
    digest = os.environ.get("VGX_BUFFER_DIGEST")
    if not digest:
        pytest.skip("VGX_BUFFER_DIGEST is not set (the test runs through CTest)")
    path = data_path("x", "test.x")
    expected = subprocess.run([digest, path], check=True, capture_output=True, text=True).stdout.split("\n")
    obj = root.CreateObject()
    obj.Load(path)
    obj.Smooth(1, vorlansg.VgxCondition.VgxGreaterThan, 0, 0)
    device = vorlansg.VgxSoftwareDevice()
    device_id = root.CreateDeviceID()
    vertices = obj.GetVertexBuffer(device_id, device)
    vertex_array = vertices.array()
    assert vertex_array.dtype.itemsize == obj.GetVertexSize() == 44
    assert not vertex_array.flags.writeable
    lines = [f"{vertices.GetLength()} {fnv1a(vertex_array.tobytes()):016x}"]
    for sub in range(obj.GetSubObjectCount()):
        indexes = obj.GetSubObjectSolidIndexBuffer(device_id, sub)
        if indexes is not None:
            lines.append(f"{indexes.GetLength()} {fnv1a(indexes.array().tobytes()):016x}")
            assert indexes.array().max() < len(vertex_array)
    assert lines == [line for line in expected if line]
    assert vertices.Read(0, 44) == vertex_array[:1].tobytes()


def test_scene_graph_from_python(root):
    scene = root.CreateGroup(None)
    scene.Load(data_path("x", "fromtruespace_bin32.x"))
    groups, pending = [], [scene]
    while pending:
        group = pending.pop()
        groups.append(group)
        pending.extend(group.GetChildren())
    assert len(groups) > 1 and all(isinstance(g, vorlansg.VgxGroup) for g in groups)
    objects = [o for g in groups for o in g.GetObjects()]
    assert objects and sum(o.GetFaceCount() for o in objects) > 0

    frame = root.CreateGroup(scene)
    frame.Name = "moved"
    frame.SetPosition(0, None, vorlansg.VgxVector(1, 2, 3))
    assert frame.GetName() == "moved" and frame.GetParent() is not None
    assert frame.GetTransform(None).m[12:15] == [1.0, 2.0, 3.0]

    light = root.CreateLightRGB(vorlansg.VgxLightType.VgxLightSpot, 1, 0.5, 0)
    scene.AddLight(light)
    light.Range = 10
    assert light.GetRange() == 10 and light.Type == vorlansg.VgxLightType.VgxLightSpot
    assert len(scene.GetLights()) == 1

    # A ray from far away through the middle of the first object's first face hits.
    owner = next(g for g in groups if g.GetObjects().GetSize())
    face = owner.GetObjects()[0].GetFace(0)
    corners = [face.GetPoint(k)[0] for k in range(face.GetPointCount())]
    middle = vorlansg.VgxVector(*np.mean([list(c) for c in corners], axis=0))
    target = owner.Transform(middle)
    origin = vorlansg.VgxVector(target.X, target.Y + 1000, target.Z)
    picks = scene.RayPick(root.CreateDeviceID(), vorlansg.VgxSoftwareDevice(), origin, vorlansg.VgxVector(0, -1, 0))
    assert len(picks) > 0
    for obj, group, description in picks:
        assert isinstance(obj, vorlansg.VgxObject) and 0 <= description.FaceID < obj.GetFaceCount()


def test_properties_enums_and_docstrings(root):
    obj = root.CreateObject()
    obj.SmoothingLevel = 2
    obj.MirrorAxis = vorlansg.VgxAxis.VgxAxisX
    assert obj.GetSmoothingLevel() == 2 and obj.MirrorAxis is vorlansg.VgxAxis.VgxAxisX
    assert "Catmull-Clark" in vorlansg.VgxObject.Smooth.__doc__
    assert issubclass(vorlansg.VgxLightType, int)
    class Gloss(vorlansg.PluginMaterial):
        def GetName(self):
            return "Gloss"

        def GetParameters(self):
            parameter = vorlansg.VgxParameter()
            parameter.Title, parameter.Type = "Shine", vorlansg.VgxParameterType.VgxSlider
            return [parameter]

    plugin_id = root.GetPluginID("gloss.so")
    root.SetPluginObject(plugin_id, Gloss())
    registered = root.GetPluginObject(plugin_id)  # the root kept the Python object
    assert registered.GetName() == "Gloss" and registered.GetParameters()[0].Title == "Shine"
    assert vorlansg.VgxMakeVector(1, 2, 3) == vorlansg.VgxVector(1, 2, 3)
    assert root.VectorCrossProduct((1, 0, 0), (0, 1, 0)) == vorlansg.VgxVector(0, 0, 1)  # tuples convert
    stubs = os.path.join(os.path.dirname(vorlansg.__file__), "__init__.pyi")
    assert "def AddFaces(" in open(stubs, encoding="utf-8").read()


def edit(path, results, index):
    root = vorlansg.Vgx.create()
    obj = root.CreateObject()
    obj.Load(path)
    obj.Smooth(2, vorlansg.VgxCondition.VgxGreaterThan, 0, 0)
    obj.Reduce(50)
    results[index] = obj.GetGeometry()


def test_threads_with_their_own_roots_match_a_serial_run():
    path = data_path("meshes", "common", "suzanne.obj")
    serial = [None]
    edit(path, serial, 0)
    results = [None] * 3
    threads = [threading.Thread(target=edit, args=(path, results, i)) for i in range(3)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for result in results:
        for a, b in zip(result, serial[0]):
            np.testing.assert_array_equal(a, b)


def test_no_object_outlives_its_python_references():
    root = vorlansg.Vgx.create()
    start = vorlansg._live_object_count()
    points = np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0]], np.float32)
    for _ in range(10000):
        obj = root.CreateObject()
        obj.add_triangles(points, np.array([[0, 1, 2]], np.int32))
        group = root.CreateGroup(None)
        group.AddObject(obj)
        del obj, group
    root.CollectGarbage()
    assert vorlansg._live_object_count() <= start + 1
