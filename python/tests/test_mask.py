"""The mask engine from Python: counting with limits, reports, checks."""

import pytest

import qgen


def test_counting_reports_and_checks():
    reports = []
    mask = qgen.Mask("INV-[AB]#", "A8", "B1", on_overflow=lambda s: reports.append(("over", s)))
    assert (mask.value, mask.prefix, mask.suffix) == ("INV-A8", "INV-", "A8")
    assert [mask.increment() for _ in range(4)] == ["INV-A9", "INV-B0", "INV-B1", "INV-B2"]
    assert reports == [("over", "B2")]
    mask.on_underflow = lambda s: reports.append(("under", s))
    mask.suffix = "A8"
    assert mask.decrement() == "INV-A8" and reports[-1] == ("under", "A8")
    assert mask.validate("X5") == ["Xis not in the set!"]
    assert mask.validate("B7") == []
    with pytest.raises(qgen.Error, match="is not in the set"):
        mask.suffix = "C1"


@pytest.mark.parametrize("picture, start, message", [
    ("AB[C[D]", None, "Error in mask picture at position:4!"),
    ("$$", "1A", "Error at position-1 1A"),
    ("ABC", "1", "no counting part"),
])
def test_bad_picture_or_limit_raises_the_engine_message(picture, start, message):
    with pytest.raises(qgen.Error, match=message.replace("[", r"\[")):
        qgen.Mask(picture, start)
