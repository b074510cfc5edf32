"""qgen: successive masked values (invoice numbers such as INV-0042) drawn from one
sequence that many programs share through one database table, and time-stamp keys.

The work is done by the qgen C++ library, through the extension module _qgen.
"""

from ._qgen import (
    BusyError,
    Component,
    DatabaseError,
    Error,
    FormError,
    Generator,
    Mask,
    Notice,
    codepage,
    load_form,
    set_codepage,
    set_message_handler,
    stamp,
)

__all__ = [
    "BusyError",
    "Component",
    "DatabaseError",
    "Error",
    "FormError",
    "Generator",
    "Mask",
    "Notice",
    "codepage",
    "load_form",
    "set_codepage",
    "set_message_handler",
    "stamp",
]
