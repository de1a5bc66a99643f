"""A catalogue of artwork analysed on a Dask cluster.

    from distributed import Client, LocalCluster
    import velloway.dask

    client = Client(LocalCluster(n_workers=2, threads_per_worker=1))  # or Client("tcp://scheduler:8786")
    frame = velloway.dask.colorart(paths, client=client)
    frame.compute()        # a pandas DataFrame, one row per path, in path order

Dask does the scheduling, the retries and the spreading: the paths are cut into chunks, one task
each, and every worker analyses its chunks with the C library, its threads in parallel (the GIL is
released). A file that fails gives a row with its error and no colours; it never stops the run.
The workers read the paths themselves: on many machines, the files must be on shared storage
under the same paths.
"""

import os

import dask
import dask.dataframe
import pandas

ROLES = ("background", "primary", "secondary", "detail")
# One row: the path, each colour as its "#rrggbb" and its exact (r, g, b, a), the text colours
# that were missed (comma-separated), and the error of a file that failed (else None).
COLUMNS = ["image"] + [c for role in ROLES for c in (role, role + "_rgba")] + ["missed", "error"]


def _row(path, art=None, error=None):
    row = {"image": path, "missed": None, "error": error}
    for role in ROLES:
        colour = getattr(art, role) if art else None
        row[role] = colour.hex if colour else None
        row[role + "_rgba"] = (colour.r, colour.g, colour.b, colour.a) if colour else None
    if art:
        row["missed"] = ",".join(art.missed)
    return row


def _analyse_chunk(paths, start, size, threshold):
    """One task: the rows of a chunk of paths, indexed by their place in the whole list."""
    import velloway

    rows = []
    for path in paths:
        try:
            rows.append(_row(path, velloway.colorart(path, size=size, threshold=threshold)))
        except Exception as e:  # a failing file is a row, never the end of the run
            rows.append(_row(path, error=f"{type(e).__name__}: {e}"))
    return pandas.DataFrame(rows, columns=COLUMNS, index=pandas.RangeIndex(start, start + len(paths)))


def colorart(paths, client=None, chunk=64, size=(512, 512), threshold=2):
    """The analysis of every path as a Dask DataFrame, one row per path in the order given (its
    index is the place in `paths`). With a `client` the work starts on its cluster at once (the
    frame is persisted there); without one, it runs when computed, on whatever scheduler is in
    force. `chunk`: how many files one task analyses. `size` and `threshold` as for
    velloway.colorart."""
    paths = [os.fspath(p) for p in paths]
    if chunk < 1:
        raise ValueError("chunk must be at least 1")
    meta = pandas.DataFrame({c: pandas.Series(dtype=object) for c in COLUMNS}, index=pandas.RangeIndex(0))
    if not paths:
        return dask.dataframe.from_pandas(meta, npartitions=1)
    # Not pure: a task reads files, so the same paths in a later call are new work (a file may have
    # changed), never the results of an earlier call still held on the cluster.
    task = dask.delayed(_analyse_chunk, pure=False)
    starts = range(0, len(paths), chunk)
    parts = [task(paths[s : s + chunk], s, size, threshold) for s in starts]
    divisions = list(starts) + [len(paths) - 1]
    frame = dask.dataframe.from_delayed(parts, meta=meta, divisions=divisions, verify_meta=False)
    return client.persist(frame) if client is not None else frame
