"""ridgel: dialogs opened with and without ridgel.dll, and check-state redraws, as version 3
(the library draws check boxes and radio buttons) and as the platform is."""
import os
import shutil



def run(session, out):
    build = session.build_dir
    folder = os.path.join(out, "ridgel")
    os.makedirs(folder, exist_ok=True)
    shutil.copy(os.path.join(build, "bin", "ridgel.dll"), folder)
    for name, version in (("bench_ridgel_v3.exe", "nt351"), ("bench_ridgel.exe", None)):
        shutil.copy(os.path.join(build, "bench", "bench_ridgel.exe"), os.path.join(folder, name))
        if version:
            session.set_app_version(name, version)
        code, text, err = session.run(session.windows_path(os.path.join(folder, name)),
                                      cwd=folder, timeout=300)
        print(text.rstrip() if code == 0 else "failed (%d): %s%s" % (code, text, err))
