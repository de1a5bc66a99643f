"""velloway.dask.colorart on a LocalCluster of two worker processes, against the command."""

import os
import unittest

from distributed import Client, LocalCluster, get_task_stream

import velloway.dask
from colorart_fixtures import FolderTest, banded, command_json

ROLES = ("background", "primary", "secondary", "detail")


class DaskTest(FolderTest):
    def test_a_cluster_gives_the_commands_results_row_for_row(self):
        paths = []
        for i in range(240):
            if i % 60 == 17:  # a few damaged files among them
                paths.append(self.path(f"{i:03d}-damaged.png"))
                with open(paths[-1], "wb") as f:
                    f.write(b"\x89PNG\r\n\x1a\n damaged")
            else:
                paths.append(self.write_png(f"{i:03d}.png", banded(48 + i % 7, 40 + i % 5, i)))
        objects, err, status = command_json(*paths)
        self.assertEqual(status, 2)
        expected = {o["image"]: o for o in objects}
        self.assertEqual(len(expected), 236)

        cluster = LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None)
        self.addCleanup(cluster.close)
        client = Client(cluster)
        self.addCleanup(client.close)
        with get_task_stream(client) as tasks:
            frame = velloway.dask.colorart(paths, client=client, chunk=25)
            self.assertEqual(frame.npartitions, 10)
            rows = frame.compute()

        self.assertEqual(list(rows["image"]), paths)
        self.assertEqual(list(rows.index), list(range(240)))
        for path, row in zip(paths, rows.itertuples()):
            if path.endswith("-damaged.png"):
                self.assertIn(f"velloway colorart: {path}: cannot decode the PNG image", err)
                self.assertRegex(row.error, "^ValueError: " + path + ": cannot decode the PNG image: ")
                self.assertIsNone(row.background)
                continue
            want = expected[path]
            self.assertIsNone(row.error)
            for role in ROLES:
                self.assertEqual(getattr(row, role), want[role]["hex"], (path, role))
                self.assertEqual(getattr(row, role + "_rgba"), tuple(want[role][c] for c in "rgba"), (path, role))
            self.assertEqual(row.missed, ",".join(want["missed"]))
        # Both workers took part.
        self.assertEqual(len({task["worker"] for task in tasks.data}), 2)

    def test_a_file_changed_between_runs_is_analysed_again(self):
        # The tasks read files: the same paths twice are not the same work. A first run still held
        # on the cluster must not answer for the second.
        paths = [self.write_png(f"{i}.png", banded(40, 40, i)) for i in range(4)]
        cluster = LocalCluster(n_workers=1, threads_per_worker=1, processes=True, dashboard_address=None)
        self.addCleanup(cluster.close)
        client = Client(cluster)
        self.addCleanup(client.close)
        first = velloway.dask.colorart(paths, client=client, chunk=2)
        before = first.compute()
        self.write_png("0.png", banded(40, 40, 99))
        after = velloway.dask.colorart(paths, client=client, chunk=2).compute()
        objects, _, status = command_json(paths[0])
        self.assertEqual(status, 0)
        self.assertEqual(after["background"][0], objects[0]["background"]["hex"])
        self.assertNotEqual(list(before.iloc[0][1:9]), list(after.iloc[0][1:9]))
        self.assertEqual(list(before.iloc[1:]["background"]), list(after.iloc[1:]["background"]))
        del first

    def test_no_paths_is_an_empty_frame(self):
        self.assertEqual(len(velloway.dask.colorart([]).compute()), 0)
        with self.assertRaises(ValueError):
            velloway.dask.colorart(["x.png"], chunk=0)


if __name__ == "__main__":
    unittest.main()
