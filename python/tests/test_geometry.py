"""Geometry through NumPy: public meshes round trip exactly, every array layout
NumPy produces is read the same, and bad arrays are refused before anything
changes."""
import numpy as np
import pytest
import vorlansg
from conftest import data_path
from vorlansg import VgxError

PUBLIC_MESHES = [("meshes", "common", "suzanne.obj"), ("meshes", "trimesh", "not_convex.obj"),
                 ("meshes", "trimesh", "negative_indices.obj"), ("x", "fromtruespace_bin32.x"), ("x", "test.x")]


def geometry(obj):
    return obj.GetGeometry()


def assert_same(a, b):
    assert len(a) == len(b)
    for x, y in zip(a, b):
        assert x.dtype == y.dtype and x.shape == y.shape
        np.testing.assert_array_equal(x, y)


@pytest.mark.parametrize("parts", PUBLIC_MESHES)
def test_public_meshes_round_trip_through_numpy(root, parts):
    loaded = root.CreateObject()
    loaded.Load(data_path(*parts))
    points, normals, uvs, face_data = geometry(loaded)
    assert points.dtype == np.float32 and points.shape[1] == 3 and uvs.shape[1] == 2
    assert face_data.dtype == np.int32 and face_data[-1] == 0

    copy = root.CreateObject()
    copy.AddFaces(points, normals, uvs, face_data, False, False)
    assert_same(geometry(copy), (points, normals, uvs, face_data))
    assert copy.GetFaceCount() == loaded.GetFaceCount()

    # Strided views, Fortran order and plain lists read as the contiguous arrays do.
    wide = np.zeros((len(points), 6), np.float32)
    wide[:, ::2] = points
    strided = root.CreateObject()
    strided.AddFaces(wide[:, ::2], np.asfortranarray(normals), uvs.tolist(), face_data.tolist(), False, False)
    assert_same(geometry(strided), (points, normals, uvs, face_data))


def test_triangles_in_and_out(root):
    obj = root.CreateObject()
    points = np.array([[0, 0, 0], [2, 0, 0], [2, 1, 0], [0, 1, 0], [1, 0.5, 1]], np.float32)
    triangles = np.array([[0, 1, 4], [1, 2, 4], [2, 3, 4], [3, 0, 4]], np.int32)
    obj.add_triangles(points, triangles)
    out_points, out_triangles = obj.get_triangles()
    np.testing.assert_array_equal(out_points[out_triangles], points[triangles])
    # Each triangle carries its own flat normal.
    a, b, c = points[triangles[0]]
    expected = np.cross(b - a, c - a)
    np.testing.assert_allclose(list(obj.GetFace(0).GetFaceNormal()), expected / np.linalg.norm(expected), atol=1e-6)


def test_geometry_out_is_owned_by_numpy(root):
    obj = root.CreateObject()
    obj.Load(data_path("x", "test.x"))
    points = obj.GetGeometry()[0]
    assert points.flags.owndata is False and points.base is not None  # no copy: the library's vector
    del obj
    root.CollectGarbage()
    assert np.isfinite(points).all()  # the array keeps its storage alive


def test_bad_arrays_raise_before_anything_changes(root):
    obj = root.CreateObject()
    obj.Load(data_path("meshes", "common", "suzanne.obj"))
    before = geometry(obj)
    points, normals, uvs, face_data = before
    bad_calls = [
        (13, lambda: obj.AddFaces(points.astype(np.float64), normals, uvs, face_data, True, False)),
        (13, lambda: obj.AddFaces(points, normals, uvs, face_data.astype(np.int64), True, False)),
        (5, lambda: obj.AddFaces(points[:, :2].copy(), normals, uvs, face_data, True, False)),
        (5, lambda: obj.AddFaces(points, normals, uvs, face_data.reshape(1, -1), True, False)),
        (13, lambda: obj.AddFaces([[0, 0], [1]], normals, uvs, face_data, True, False)),
        (9, lambda: obj.AddFaces(points, normals, uvs, np.array([3, 0, 0, 0, 1, 0, 0, 99999, 0, 0, 0], np.int32),
                                 True, False)),
        (9, lambda: obj.AddFaces(points, normals, uvs, np.array([3, 0, 0, 0, 1, 0, 0, -2, 0, 0, 0], np.int32),
                                 True, False)),
        (9, lambda: obj.add_triangles(points, np.array([[0, 1, len(points)]], np.int32))),
        (5, lambda: obj.SetPoints(np.zeros((3, 4), np.float32))),
        (9, lambda: obj.DeleteFaces(np.array([obj.GetFaceCount()], np.int32))),
        (9, lambda: obj.GetFace(-1)),
    ]
    for number, call in bad_calls:
        with pytest.raises(VgxError) as caught:
            call()
        assert caught.value.Number == number and caught.value.Source == "VgxObject"
        assert_same(geometry(obj), before)
    with pytest.raises(TypeError):
        obj.AddFaces("points", normals, uvs, face_data, True, False)
    with pytest.raises(TypeError):
        obj.SetPoints(None)
    assert_same(geometry(obj), before)


def test_library_errors_arrive_with_number_source_and_description(root, tmp_path):
    with pytest.raises(VgxError) as caught:
        root.SetThreadCount(0)
    assert (caught.value.Number, caught.value.Source, caught.value.Description) == (5, "Vgx",
                                                                                   "Invalid procedure call or argument")
    assert str(caught.value) == "Error 5 (Vgx): Invalid procedure call or argument"
    with pytest.raises(VgxError) as caught:
        root.CreateObject().Load(str(tmp_path / "missing.x"))
    assert caught.value.Number == 53
    broken = tmp_path / "broken.gltf"
    broken.write_text('{"asset": {"version": "2.0"}, "meshes": [')
    with pytest.raises(VgxError) as caught:
        root.CreateObject().Load(str(broken))
    assert caught.value.Number == 321 and caught.value.Description.startswith("Invalid file format: ")
    assert issubclass(VgxError, Exception)
    assert isinstance(VgxError(5, "x", "y"), Exception)
