"""Writers for the two model formats the game imports: COLLADA (the skinned,
animated thief) and Wavefront OBJ + MTL (the static collectibles)."""

from xml.sax.saxutils import escape


def num(x, digits=5):
    """Compact decimal text for a float ('-0' and tiny noise become '0')."""
    if abs(x) < 10 ** -(digits + 1):
        return "0"
    s = "%.*g" % (digits, x)
    if "e" not in s and "." in s:
        s = s.rstrip("0").rstrip(".")
    return s


def nums(values, digits=5):
    return " ".join(num(v, digits) for v in values)


def fixed(x, decimals):
    """x rounded to a number of decimals, trailing zeros dropped ('-0' -> '0')."""
    s = "%.*f" % (decimals, x)
    if "." in s:
        s = s.rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


def fixeds(values, decimals):
    return " ".join(fixed(v, decimals) for v in values)


# ------------------------------------------------------------------ OBJ + MTL

def write_obj(path, mesh, mtl_name, material, obj_comment):
    """mesh: geometry.MeshBuilder without weights. material: dict with keys
    name, Kd, Ks, Ns, map_Kd."""
    lines = ["# " + obj_comment, "mtllib " + mtl_name, "o " + material["name"]]
    for v in mesh.vertices:
        lines.append("v " + fixeds(v.pos, 3))
    for v in mesh.vertices:
        lines.append("vt " + fixeds(v.uv, 4))
    for v in mesh.vertices:
        lines.append("vn " + fixeds(v.normal, 2))
    lines.append("usemtl " + material["name"])
    lines.append("s 1")
    for (a, b, c) in mesh.triangles:
        a, b, c = a + 1, b + 1, c + 1
        lines.append("f %d/%d/%d %d/%d/%d %d/%d/%d" % (a, a, a, b, b, b, c, c, c))
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def write_mtl(path, material, comment):
    m = material
    lines = ["# " + comment,
             "newmtl " + m["name"],
             "Ka 1 1 1",
             "Kd " + nums(m["Kd"]),
             "Ks " + nums(m["Ks"]),
             "Ns " + num(m["Ns"]),
             "d 1",
             "illum 2",
             "map_Kd " + m["map_Kd"]]
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


# -------------------------------------------------------------------- COLLADA

def mat_rows(m):
    """Row-major 4x4 (list of 4 rows) as 16 numbers, the COLLADA order."""
    return [m[r][c] for r in range(4) for c in range(4)]


class Skeleton:
    """Joints in parent-before-child order: (name, parent name or None, local
    bind matrix as 4 rows). Every joint node gets id = name = sid = its name,
    the only naming the importer resolves reliably for bones and channels."""

    def __init__(self, joints):
        self.joints = joints
        self.children = {}
        for name, parent, _ in joints:
            self.children.setdefault(parent, []).append(name)
        self.local = {name: m for name, _, m in joints}


def _float_source(sid, values, stride, params, decimals=5):
    count = len(values) // stride
    p = "".join('<param name="%s" type="%s"/>' % (n, t) for n, t in params)
    return ('<source id="%s"><float_array id="%s-array" count="%d">%s</float_array>'
            '<technique_common><accessor source="#%s-array" count="%d" stride="%d">%s</accessor>'
            '</technique_common></source>' % (sid, sid, len(values), fixeds(values, decimals), sid, count, stride, p))


def write_collada(path, skeleton, mesh, inverse_binds, texture_file, clip, comment):
    """Writes one .dae with the skinned mesh, the skeleton and one clip.

    mesh: MeshBuilder whose vertex weights name joints. inverse_binds: joint ->
    4x4 rows. clip: joint -> list of (seconds, 4x4 rows) keys, or None."""
    joint_names = [name for name, _, _ in skeleton.joints]
    jindex = {n: i for i, n in enumerate(joint_names)}
    out = []
    w = out.append
    w('<?xml version="1.0" encoding="utf-8"?>')
    w('<!-- %s -->' % escape(comment))
    w('<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">')
    w('<asset><contributor><authoring_tool>tools/make_models.py</authoring_tool></contributor>'
      '<created>2000-01-01T00:00:00</created><modified>2000-01-01T00:00:00</modified>'
      '<unit name="meter" meter="1"/><up_axis>Y_UP</up_axis></asset>')

    if mesh is not None:
        w('<library_images><image id="thief_texture" name="thief_texture"><init_from>%s</init_from></image>'
          '</library_images>' % escape(texture_file))
        w('<library_effects><effect id="thief-effect"><profile_COMMON>'
          '<newparam sid="thief-surface"><surface type="2D"><init_from>thief_texture</init_from></surface></newparam>'
          '<newparam sid="thief-sampler"><sampler2D><source>thief-surface</source></sampler2D></newparam>'
          '<technique sid="common"><phong>'
          '<ambient><color>0 0 0 1</color></ambient>'
          '<diffuse><texture texture="thief-sampler" texcoord="UVMap"/></diffuse>'
          '<specular><color>0.15 0.15 0.15 1</color></specular>'
          '<shininess><float>12</float></shininess>'
          '</phong></technique></profile_COMMON></effect></library_effects>')
        w('<library_materials><material id="thief-material" name="thief-material">'
          '<instance_effect url="#thief-effect"/></material></library_materials>')

        pos, nrm, uvs = [], [], []
        for v in mesh.vertices:
            pos.extend(v.pos)
            nrm.extend(v.normal)
            uvs.extend(v.uv)
        w('<library_geometries><geometry id="thief-mesh" name="thief-mesh"><mesh>')
        w(_float_source("thief-mesh-positions", pos, 3, [("X", "float"), ("Y", "float"), ("Z", "float")], 4))
        w(_float_source("thief-mesh-normals", nrm, 3, [("X", "float"), ("Y", "float"), ("Z", "float")], 2))
        w(_float_source("thief-mesh-map", uvs, 2, [("S", "float"), ("T", "float")], 4))
        w('<vertices id="thief-mesh-vertices"><input semantic="POSITION" source="#thief-mesh-positions"/></vertices>')
        # One index per corner: position, normal and texture coordinate share it.
        idx = " ".join("%d %d %d" % t for t in mesh.triangles)
        w('<triangles material="thief-material" count="%d">'
          '<input semantic="VERTEX" source="#thief-mesh-vertices" offset="0"/>'
          '<input semantic="NORMAL" source="#thief-mesh-normals" offset="0"/>'
          '<input semantic="TEXCOORD" source="#thief-mesh-map" offset="0" set="0"/>'
          '<p>%s</p></triangles>' % (len(mesh.triangles), idx))
        w('</mesh></geometry></library_geometries>')

        # Skin: identity bind shape, inverse bind matrices per joint.
        ibm = []
        for n in joint_names:
            ibm.extend(mat_rows(inverse_binds[n]))
        weights = []
        vcount = []
        vlist = []
        for v in mesh.vertices:
            vcount.append(str(len(v.weights)))
            # Round to the written precision, then give the largest influence the
            # remainder so the weights in the file sum to exactly 1.
            rounded = [round(wt, 4) for _, wt in v.weights]
            big = max(range(len(rounded)), key=lambda i: rounded[i])
            rounded[big] = round(1.0 - sum(r for i, r in enumerate(rounded) if i != big), 4)
            for (joint, _), wt in zip(v.weights, rounded):
                vlist.append("%d %d" % (jindex[joint], len(weights)))
                weights.append(wt)
        w('<library_controllers><controller id="thief-skin" name="thief-skin"><skin source="#thief-mesh">')
        w('<bind_shape_matrix>1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</bind_shape_matrix>')
        w('<source id="thief-skin-joints"><Name_array id="thief-skin-joints-array" count="%d">%s</Name_array>'
          '<technique_common><accessor source="#thief-skin-joints-array" count="%d" stride="1">'
          '<param name="JOINT" type="name"/></accessor></technique_common></source>'
          % (len(joint_names), " ".join(joint_names), len(joint_names)))
        w(_float_source("thief-skin-bind_poses", ibm, 16, [("TRANSFORM", "float4x4")], 6))
        w(_float_source("thief-skin-weights", weights, 1, [("WEIGHT", "float")], 4))
        w('<joints><input semantic="JOINT" source="#thief-skin-joints"/>'
          '<input semantic="INV_BIND_MATRIX" source="#thief-skin-bind_poses"/></joints>')
        w('<vertex_weights count="%d"><input semantic="JOINT" source="#thief-skin-joints" offset="0"/>'
          '<input semantic="WEIGHT" source="#thief-skin-weights" offset="1"/>'
          '<vcount>%s</vcount><v>%s</v></vertex_weights>'
          % (len(mesh.vertices), " ".join(vcount), " ".join(vlist)))
        w('</skin></controller></library_controllers>')

    if clip:
        w('<library_animations><animation id="action" name="action">')
        for n in joint_names:
            keys = clip.get(n)
            if not keys:
                continue
            times = [t for t, _ in keys]
            mats = []
            for _, m in keys:
                mats.extend(mat_rows(m))
            base = n + "-anim"
            w(_float_source(base + "-input", times, 1, [("TIME", "float")], 5))
            w(_float_source(base + "-output", mats, 16, [("TRANSFORM", "float4x4")], 4))
            w('<source id="%s-interpolation"><Name_array id="%s-interpolation-array" count="%d">%s</Name_array>'
              '<technique_common><accessor source="#%s-interpolation-array" count="%d" stride="1">'
              '<param name="INTERPOLATION" type="name"/></accessor></technique_common></source>'
              % (base, base, len(times), " ".join(["LINEAR"] * len(times)), base, len(times)))
            w('<sampler id="%s-sampler"><input semantic="INPUT" source="#%s-input"/>'
              '<input semantic="OUTPUT" source="#%s-output"/>'
              '<input semantic="INTERPOLATION" source="#%s-interpolation"/></sampler>' % (base, base, base, base))
            # Target "<node id>/<sid of the matrix>": the form the importer resolves.
            w('<channel source="#%s-sampler" target="%s/transform"/>' % (base, n))
        w('</animation></library_animations>')

    w('<library_visual_scenes><visual_scene id="Scene" name="Scene">')

    def node(name, depth):
        w('<node id="%s" name="%s" sid="%s" type="JOINT"><matrix sid="transform">%s</matrix>'
          % (name, name, name, fixeds(mat_rows(skeleton.local[name]), 6)))
        for child in skeleton.children.get(name, []):
            node(child, depth + 1)
        w('</node>')

    for root in skeleton.children.get(None, []):
        node(root, 0)
    if mesh is not None:
        w('<node id="thief" name="thief" sid="thief" type="NODE">'
          '<matrix sid="transform">1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</matrix>'
          '<instance_controller url="#thief-skin"><skeleton>#%s</skeleton>'
          '<bind_material><technique_common><instance_material symbol="thief-material" target="#thief-material">'
          '<bind_vertex_input semantic="UVMap" input_semantic="TEXCOORD" input_set="0"/>'
          '</instance_material></technique_common></bind_material></instance_controller></node>'
          % skeleton.children[None][0])
    w('</visual_scene></library_visual_scenes>')
    w('<scene><instance_visual_scene url="#Scene"/></scene>')
    w('</COLLADA>')
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(out) + "\n")
