# `make test` is all a fresh machine needs: it installs what is missing, builds both targets
# (everything but the benchmarks), packs them and runs every test under Wine.
.PHONY: all setup build dist reference test benchmark demo clean

all: build

setup:
	scripts/setup

build: setup
	scripts/build

# build/dist: both architectures' OCX files, their installer packages and manifests, and a zip.
dist: setup
	scripts/build tests
	scripts/dist

# docs/reference.md from the built type libraries, after a change to them.
reference: build
	scripts/wine-run build/x64/typelib/type_reference.exe docs/reference.md \
	    build/x64/typelib/Inspecta2.ocx build/x64/proplist/Kavella2.ocx

# The packages are tested too, so the suite needs them packed.
test: dist
	scripts/run-tests

# Prints the engine's timings against a baseline measured in the same run.
benchmark: setup
	scripts/build benchmarks
	scripts/wine-run build/x64/benchmarks/binding_benchmark.exe
	scripts/wine-run build/x64/benchmarks/proplist_benchmark.exe
	scripts/wine-run build/x64/benchmarks/persistence_benchmark.exe

# Registers both libraries in the project's Wine prefix and runs the demo host; without a display
# it writes build/demo.png and prints the items. OBJECT=<ProgID> inspects that object instead.
demo: setup
	scripts/build demo
	scripts/demo $(if $(OBJECT),--object $(OBJECT))

clean:
	rm -rf build/x64 build/x86 build/dist
