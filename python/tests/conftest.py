import os

import pytest
import vorlansg

DATA = os.environ.get("VGX_TEST_DATA", os.path.join(os.path.dirname(__file__), "..", "..", "tests", "data"))


def data_path(*parts):
    return os.path.join(DATA, *parts)


@pytest.fixture
def root():
    return vorlansg.Vgx.create()
