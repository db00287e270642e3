#!/usr/bin/env bash
# Regenerates the pictures that go into the Lumora resource archive, plus the
# configuration dialog banner and the program icon:
#
#   assets/archive/Resource/Particle.tga             64x64 soft particle sprite (32-bit TGA)
#   assets/archive/Resource/logo.png                 200x60 logo with transparency
#   assets/archive/Resource/<Lang>ErrorFone.png      800x600 "graphics adapter not supported" screens
#   assets/archive/Resource/ListBox<Lang>Fone.png    400x212 empty picture-list backgrounds
#   assets/banner.bmp                        421x37 24-bit banner
#   assets/lumora.ico                        48/32/24/16 pixel icon
#   assets/installer/welcome.bmp             164x314 24-bit side picture of the installer's
#                                            welcome and finish pages
#   assets/installer/header.bmp              150x57 24-bit header of its other pages
#
# The Language_*.csv files next to the pictures are hand-written and are NOT
# touched by this script.
#
# Needs ImageMagick 6 (convert) with the DejaVu Sans and Noto Sans CJK fonts
# (Debian: imagemagick fonts-dejavu-core fonts-noto-cjk).
# Run from the repository root:  tools/make_assets.sh
# Set CONVERT=/path/to/convert to use a particular ImageMagick binary.
set -euo pipefail

if [ -z "${CONVERT:-}" ]; then
    if [ -x /usr/bin/convert ]; then CONVERT=/usr/bin/convert; else CONVERT=convert; fi
fi

if [ ! -d assets ]; then
    echo "make_assets.sh: run me from the repository root" >&2
    exit 1
fi

RES=assets/archive/Resource
mkdir -p "$RES"

FONT=DejaVu-Sans
FONT_BOLD=DejaVu-Sans-Bold
FONT_JP=Noto-Sans-CJK-JP
FONT_JP_BOLD=Noto-Sans-CJK-JP-Bold

fontlist=$("$CONVERT" -list font)
for f in "$FONT" "$FONT_BOLD" "$FONT_JP" "$FONT_JP_BOLD"; do
    if ! grep -q "Font: $f\$" <<<"$fontlist"; then
        echo "make_assets.sh: ImageMagick does not know the font $f" >&2
        exit 1
    fi
done

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

# Options for reproducible PNG files (no time stamps, no extra chunks).
PNGOPT=(-strip -define png:exclude-chunks=date,time -define png:compression-level=9 -depth 8)

im() { "$CONVERT" "$@"; }

# Turns a picture of light on black (premultiplied, "additive" look) into a
# picture with transparency: alpha = brightest channel, colour divided by it.
# Very faint pixels become fully transparent.
# usage: light_to_alpha IN OUT
light_to_alpha() {
    im "$1" -alpha off \
        \( +clone -separate -evaluate-sequence max \) \
        -compose CopyOpacity -composite \
        -channel RGB -fx 'u.a > 0.004 ? min(1, u/u.a) : 0' \
        -channel A -fx 'u < 0.012 ? 0 : u' +channel \
        -depth 8 "$2"
}

# Prints the width and height of a picture.
dims() { "$CONVERT" "$1" -format '%w %h\n' info:; }

# Prints ImageMagick -draw primitives for a field of soft particles, from a
# fixed pseudo-random sequence (same output on every run).
# usage: particle_field W H COUNT SEED RMIN RMAX "R,G,B R,G,B ..." ["X0,Y0,X1,Y1 ..."]
# The optional rectangles are kept free of particles.
particle_field() {
    awk -v W="$1" -v H="$2" -v N="$3" -v S="$4" -v RMIN="$5" -v RMAX="$6" \
        -v COLS="$7" -v KEEP="${8:-}" '
    function rnd() { S = (S * 1103515245 + 12345) % 2147483648; return S / 2147483648 }
    BEGIN {
        nc = split(COLS, col, " ")
        nk = split(KEEP, keep, " ")
        made = 0; tries = 0
        while (made < N && tries < N * 50) {
            tries++
            x = rnd() * W; y = rnd() * H
            r = RMIN + (RMAX - RMIN) * rnd() * rnd()
            a = 0.25 + 0.75 * rnd()
            c = col[1 + int(rnd() * nc)]
            bad = 0
            for (k = 1; k <= nk; k++) {
                split(keep[k], q, ",")
                if (x > q[1] - r && x < q[3] + r && y > q[2] - r && y < q[4] + r) bad = 1
            }
            if (bad) continue
            printf "fill rgba(%s,%.3f) circle %.1f,%.1f %.1f,%.1f\n", c, a, x, y, x + r, y
            made++
        }
    }'
}

########################################################################
# 1. Particle sprite: white, radial fall-off in colour and alpha.
########################################################################
im -size 64x64 xc:black \
    -fx 'rad = hypot(i - 31.5, j - 31.5) / 32; rad < 1 ? pow(1 - rad*rad, 3) : 0' \
    -depth 8 "$TMP/particle_gray.png"
im "$TMP/particle_gray.png" "$TMP/particle_gray.png" -alpha off -compose CopyOpacity -composite \
    -strip -depth 8 -type TrueColorAlpha -compress None "TGA:$RES/Particle.tga"

########################################################################
# The logo mark: a glowing particle with a four-point flare and a few
# small companion sparks, rendered large and scaled down where needed.
########################################################################
MARK_FX='px = (i + 0.5) / w * 2 - 1; py = (j + 0.5) / h * 2 - 1;
rad = hypot(px, py); fade = rad < 1 ? pow(1 - rad*rad, 2) : 0;
core = exp(-pow(rad / 0.14, 2));
halo = 0.80 * exp(-pow(rad / 0.40, 2)) * fade;
rays = 0.95 * (exp(-pow(px / 0.035, 2)) * exp(-abs(py) * 4.2) + exp(-pow(py / 0.035, 2)) * exp(-abs(px) * 4.2)) * fade;
ud = (px + py) * 0.7071; vd = (px - py) * 0.7071;
diag = 0.40 * (exp(-pow(ud / 0.025, 2)) * exp(-abs(vd) * 9) + exp(-pow(vd / 0.025, 2)) * exp(-abs(ud) * 9)) * fade;
sp = exp(-(pow(px - 0.62, 2) + pow(py + 0.50, 2)) / 0.0022) + 0.8 * exp(-(pow(px + 0.58, 2) + pow(py - 0.58, 2)) / 0.0014) + 0.6 * exp(-(pow(px - 0.66, 2) + pow(py - 0.46, 2)) / 0.0009);
glow = halo + diag + sp;'
im -size 256x256 xc:black \
    -channel R -fx "$MARK_FX min(1, core + 1.00 * glow + 1.00 * rays)" \
    -channel G -fx "$MARK_FX min(1, core + 0.55 * glow + 0.82 * rays)" \
    -channel B -fx "$MARK_FX min(1, 0.96 * core + 0.14 * glow + 0.48 * rays)" \
    +channel -depth 16 "$TMP/mark_light.png"
light_to_alpha "$TMP/mark_light.png" "$TMP/mark.png"

########################################################################
# 2. logo.png (200x60): mark + "Lumora", built as light on black, then
#    turned into a transparent picture.
########################################################################
im -background black -fill white -font "$FONT_BOLD" -size 132x44 -gravity center \
    label:Lumora -trim +repage "$TMP/logo_text_mask.png"
read -r tw th < <(dims "$TMP/logo_text_mask.png")
tx=64
ty=$(( (60 - th) / 2 ))
im -size 200x60 xc:black "$TMP/logo_text_mask.png" -geometry "+$tx+$ty" -compose Over -composite "$TMP/logo_mask.png"
# gold glow behind the letters
im "$TMP/logo_mask.png" -blur 0x4 -evaluate multiply 0.55 \
    \( -size 200x60 xc:'#ff8a1e' \) -compose Multiply -composite "$TMP/logo_glow.png"
# letters: white at the top, warm gold at the bottom
im -size 200x60 gradient:'#fffaf0-#ffc25a' "$TMP/logo_mask.png" -compose Multiply -composite "$TMP/logo_letters.png"
im "$TMP/mark_light.png" -resize 60x60 "$TMP/logo_mark.png"
im -size 200x60 xc:black \
    "$TMP/logo_glow.png" -compose Plus -composite \
    "$TMP/logo_mark.png" -geometry +1+0 -compose Plus -composite \
    "$TMP/logo_letters.png" -compose Lighten -composite \
    "$TMP/logo_light.png"
light_to_alpha "$TMP/logo_light.png" "$TMP/logo_rgba.png"
im "$TMP/logo_rgba.png" "${PNGOPT[@]}" "PNG32:$RES/logo.png"

########################################################################
# 3. Error screens (800x600). Text per language: title | body | hint.
#    Japanese lines are broken by hand (no spaces to wrap at).
########################################################################
ERR_LANGS=(English Russian German France Spannish Italian Japan)

err_title_English="Lumora cannot run on this computer"
err_body_English="The graphics adapter of this computer, or its driver, does not support the features that the Lumora Screen Saver needs."
err_hint_English="Please install the latest graphics driver from the web site of your video card's manufacturer and make sure that hardware acceleration is enabled."

err_title_Russian="Lumora не может работать на этом компьютере"
err_body_Russian="Видеоадаптер этого компьютера или его драйвер не поддерживает возможности, необходимые для заставки Lumora."
err_hint_Russian="Установите последнюю версию драйвера видеокарты с веб-сайта её производителя и убедитесь, что аппаратное ускорение включено."

err_title_German="Lumora kann auf diesem Computer nicht ausgeführt werden"
err_body_German="Die Grafikkarte dieses Computers oder ihr Treiber unterstützt nicht die Funktionen, die der Lumora Bildschirmschoner benötigt."
err_hint_German="Bitte installieren Sie den neuesten Grafiktreiber von der Website des Grafikkartenherstellers und stellen Sie sicher, dass die Hardwarebeschleunigung aktiviert ist."

err_title_France="Lumora ne peut pas fonctionner sur cet ordinateur"
err_body_France="La carte graphique de cet ordinateur, ou son pilote, ne prend pas en charge les fonctions requises par l'économiseur d'écran Lumora."
err_hint_France="Veuillez installer le dernier pilote graphique depuis le site web du fabricant de votre carte graphique et vérifier que l'accélération matérielle est activée."

err_title_Spannish="Lumora no puede ejecutarse en este equipo"
err_body_Spannish="El adaptador gráfico de este equipo, o su controlador, no admite las funciones que necesita el protector de pantalla Lumora."
err_hint_Spannish="Instale el controlador gráfico más reciente desde el sitio web del fabricante de su tarjeta de vídeo y asegúrese de que la aceleración por hardware esté activada."

err_title_Italian="Lumora non può essere eseguito su questo computer"
err_body_Italian="La scheda grafica di questo computer, o il suo driver, non supporta le funzioni richieste dal salvaschermo Lumora."
err_hint_Italian="Installare il driver grafico più recente dal sito web del produttore della scheda video e verificare che l'accelerazione hardware sia attivata."

err_title_Japan="このコンピューターでは Lumora を実行できません"
err_body_Japan="このコンピューターのグラフィックス アダプターまたはそのドライバーは、
Lumora スクリーンセーバーに必要な機能をサポートしていません。"
err_hint_Japan="ビデオカードのメーカーの Web サイトから最新のグラフィックス ドライバーを
インストールし、ハードウェア アクセラレーションが有効になっていることを
確認してください。"

# Shared background: warm dark radial glow, soft sparks (kept away from the
# text block and from the lower-left corner where the program draws its logo).
im -size 800x600 radial-gradient:'#2b170a-#070403' "$TMP/err_base.png"
ERR_KEEP="60,150,740,480 0,440,260,600"
particle_field 800 600 80 20240611 0.8 2.6 "255,170,60 255,210,120 255,120,30 255,235,190" "$ERR_KEEP" \
    > "$TMP/err_small.mvg"
particle_field 800 600 16 77001 8 26 "255,140,40 255,190,90" "$ERR_KEEP" > "$TMP/err_big.mvg"
im -size 800x600 xc:black -draw "$(cat "$TMP/err_small.mvg")" -blur 0x1.2 "$TMP/err_small.png"
im -size 800x600 xc:black -draw "$(cat "$TMP/err_big.mvg")" -blur 0x9 -evaluate multiply 0.35 "$TMP/err_big.png"
im "$TMP/mark_light.png" -resize 150x150 "$TMP/err_mark.png"
im "$TMP/err_base.png" \
    "$TMP/err_big.png" -compose Plus -composite \
    "$TMP/err_small.png" -compose Plus -composite \
    "$TMP/err_mark.png" -geometry +325+14 -compose Plus -composite \
    "$TMP/err_bg.png"
# thin gold divider under the title
im -size 440x1 xc:black -fx 'px = (i + 0.5) / w * 2 - 1; 1 - px*px' \
    \( -size 440x1 xc:'#ffb347' \) -compose Multiply -composite "$TMP/err_line.png"

for L in "${ERR_LANGS[@]}"; do
    t="err_title_$L"; b="err_body_$L"; h="err_hint_$L"
    if [ "$L" = Japan ]; then fr=$FONT_JP; fb=$FONT_JP_BOLD; tp=28; bp=18; hp=16; ils=0
    else fr=$FONT; fb=$FONT_BOLD; tp=30; bp=20; hp=18; ils=4; fi
    im -background none -fill '#ffe7c2' -font "$fb" -pointsize "$tp" -size 680x -gravity center \
        caption:"${!t}" "$TMP/e_title.png"
    im -background none -fill '#eadccb' -font "$fr" -pointsize "$bp" -interline-spacing "$ils" -size 660x -gravity center \
        caption:"${!b}" "$TMP/e_body.png"
    im -background none -fill '#ffbf5e' -font "$fr" -pointsize "$hp" -interline-spacing "$ils" -size 680x -gravity center \
        caption:"${!h}" "$TMP/e_hint.png"
    im -background none -gravity center \
        "$TMP/e_title.png" \
        \( -size 10x16 xc:none \) \( "$TMP/err_line.png" -alpha set \) \( -size 10x22 xc:none \) \
        "$TMP/e_body.png" \
        \( -size 10x22 xc:none \) \
        "$TMP/e_hint.png" \
        -append "$TMP/e_block.png"
    read -r bw bh < <(dims "$TMP/e_block.png")
    by=$(( 330 - bh / 2 ))
    if [ "$by" -lt 168 ]; then by=168; fi
    if [ $(( by + bh )) -gt 482 ]; then
        echo "make_assets.sh: error text for $L is too tall ($bh px)" >&2
        exit 1
    fi
    bx=$(( (800 - bw) / 2 ))
    im "$TMP/err_bg.png" "$TMP/e_block.png" -geometry "+$bx+$by" -compose Over -composite \
        -alpha off "${PNGOPT[@]}" -type TrueColor "PNG24:$RES/${L}ErrorFone.png"
done

########################################################################
# 4. Empty picture-list backgrounds (400x212), light and friendly.
########################################################################
LB_LANGS=(English Russian German France Spannish Italian Japan)

lb_1_English="Add your images or photos here."
lb_2_English="Click Add or just drag and drop files to this window."
lb_1_Russian="Добавьте сюда свои изображения или фотографии."
lb_2_Russian="Нажмите «Добавить» или просто перетащите файлы в это окно."
lb_1_German="Fügen Sie hier Ihre Bilder oder Fotos hinzu."
lb_2_German="Klicken Sie auf „Hinzufügen“ oder ziehen Sie die Dateien einfach in dieses Fenster."
lb_1_France="Ajoutez vos images ou photos ici."
lb_2_France="Cliquez sur Ajouter ou faites simplement glisser des fichiers dans cette fenêtre."
lb_1_Spannish="Añada aquí sus imágenes o fotos."
lb_2_Spannish="Haga clic en Añadir o simplemente arrastre y suelte los archivos en esta ventana."
lb_1_Italian="Aggiungi qui le tue immagini o foto."
lb_2_Italian="Fai clic su Aggiungi o trascina semplicemente i file in questa finestra."
lb_1_Japan="ここに画像や写真を追加してください。"
lb_2_Japan="[追加] をクリックするか、ファイルを
このウィンドウにドラッグ＆ドロップしてください。"

im -size 400x212 gradient:'#fffbf5-#fde6c8' "$TMP/lb_base.png"
particle_field 400 212 22 4242 6 22 "255,176,90 255,205,140 255,150,70" > "$TMP/lb_bokeh.mvg"
im -size 400x212 xc:black -draw "$(cat "$TMP/lb_bokeh.mvg")" -blur 0x5 -colorspace Gray \
    -evaluate multiply 0.28 "$TMP/lb_bokeh.png"
# soft peach bokeh laid over the cream background
im -size 400x212 xc:'#ffb468' "$TMP/lb_bokeh.png" -alpha off -compose CopyOpacity -composite "$TMP/lb_bokeh_rgba.png"
im "$TMP/lb_base.png" "$TMP/lb_bokeh_rgba.png" -compose Over -composite "$TMP/lb_bg.png"
# picture icon: a white frame with a small landscape, sun, and a "+" badge
im -size 96x80 xc:none \
    -fill '#00000018' -draw 'roundrectangle 6,8 84,72 8,8' \
    -fill white -stroke '#f0a04b' -strokewidth 2.5 -draw 'roundrectangle 4,5 81,68 7,7' \
    -stroke none -fill '#ffe2b8' -draw 'rectangle 11,12 74,61' \
    -fill '#ffc15e' -draw 'circle 58,25 58,32' \
    -fill '#f28a2e' -draw 'polygon 11,61 32,33 50,61' \
    -fill '#e0701f' -draw 'polygon 34,61 53,40 74,61' \
    -fill '#ff8a1e' -stroke white -strokewidth 2.5 -draw 'circle 78,62 78,77' \
    -stroke white -strokewidth 3 -draw 'line 78,54 78,70' -draw 'line 70,62 86,62' \
    "$TMP/lb_icon.png"

for L in "${LB_LANGS[@]}"; do
    a="lb_1_$L"; b="lb_2_$L"
    if [ "$L" = Japan ]; then fr=$FONT_JP; fb=$FONT_JP_BOLD; p1=16; p2=13
    else fr=$FONT; fb=$FONT_BOLD; p1=16; p2=13; fi
    im -background none -fill '#6b3d14' -font "$fb" -pointsize "$p1" -size 370x -gravity center \
        caption:"${!a}" "$TMP/l1.png"
    im -background none -fill '#8a6440' -font "$fr" -pointsize "$p2" -interline-spacing 2 -size 340x -gravity center \
        caption:"${!b}" "$TMP/l2.png"
    im -background none -gravity center \
        "$TMP/lb_icon.png" \( -size 10x8 xc:none \) "$TMP/l1.png" \( -size 10x6 xc:none \) "$TMP/l2.png" \
        -append "$TMP/l_block.png"
    read -r bw bh < <(dims "$TMP/l_block.png")
    if [ "$bh" -gt 204 ]; then
        echo "make_assets.sh: list text for $L is too tall ($bh px)" >&2
        exit 1
    fi
    im "$TMP/lb_bg.png" "$TMP/l_block.png" -gravity center -compose Over -composite \
        -alpha off "${PNGOPT[@]}" -type TrueColor "PNG24:$RES/ListBox${L}Fone.png"
done

########################################################################
# 5. Dialog banner (421x37, 24-bit BMP): dark warm band, mark, name, and a
#    trail of sparks.
########################################################################
im -size 421x37 gradient:'#24140a-#0b0604' "$TMP/bn_v.png"
im -size 37x421 gradient:'#000000-#3a1a06' -rotate -90 "$TMP/bn_h.png"
particle_field 421 37 40 90210 0.6 1.8 "255,180,80 255,215,140 255,130,40" "0,0,215,37" > "$TMP/bn_sparks.mvg"
im -size 421x37 xc:black -draw "$(cat "$TMP/bn_sparks.mvg")" -blur 0x0.8 \
    \( -size 421x37 xc:black -fx 'px = i / w; py = abs(j / h - 0.5) * 2; max(0, (px - 0.45) / 0.55) * (1 - 0.5 * py)' \) \
    -compose Multiply -composite "$TMP/bn_sparks.png"
im -size 421x1 xc:black -fx 'px = i / w; 0.9 * exp(-pow((px - 0.30) / 0.28, 2))' \
    \( -size 421x1 xc:'#ff9a2e' \) -compose Multiply -composite "$TMP/bn_line.png"
im "$TMP/mark_light.png" -resize 37x37 "$TMP/bn_mark.png"
im -background black -fill white -font "$FONT_BOLD" -pointsize 19 label:Lumora -trim +repage "$TMP/bn_name_mask.png"
read -r nw nh < <(dims "$TMP/bn_name_mask.png")
im -size "${nw}x${nh}" gradient:'#fffaf0-#ffc25a' "$TMP/bn_name_mask.png" -compose Multiply -composite "$TMP/bn_name.png"
im -background none -fill '#d9c2a5' -font "$FONT" -pointsize 13 label:'Screen Saver' -trim +repage "$TMP/bn_sub.png"
ny=$(( (37 - nh) / 2 ))
sx=$(( 44 + nw + 8 ))
im "$TMP/bn_v.png" "$TMP/bn_h.png" -compose Plus -composite \
    "$TMP/bn_sparks.png" -compose Plus -composite \
    "$TMP/bn_line.png" -geometry +0+36 -compose Plus -composite \
    "$TMP/bn_mark.png" -geometry +3+0 -compose Plus -composite \
    "$TMP/bn_name.png" -geometry "+44+$ny" -compose Lighten -composite \
    "$TMP/bn_sub.png" -geometry "+$sx+$(( ny + nh - 11 ))" -compose Over -composite \
    -alpha off "$TMP/banner.png"
im "$TMP/banner.png" -strip -depth 8 -type TrueColor "BMP3:assets/banner.bmp"

########################################################################
# 6. Icon: the mark on a dark rounded tile (reads on light and dark
#    desktops), at 48, 32, 24 and 16 pixels. The small sizes use the mark
#    without the companion sparks and a tighter crop so the core stays clear.
########################################################################
im -size 256x256 xc:black \
    -channel R -fx "${MARK_FX/glow = halo + diag + sp;/glow = halo + diag;} min(1, core + 1.00 * glow + 1.00 * rays)" \
    -channel G -fx "${MARK_FX/glow = halo + diag + sp;/glow = halo + diag;} min(1, core + 0.55 * glow + 0.82 * rays)" \
    -channel B -fx "${MARK_FX/glow = halo + diag + sp;/glow = halo + diag;} min(1, 0.96 * core + 0.14 * glow + 0.48 * rays)" \
    +channel -depth 16 "$TMP/mark_plain.png"
im -size 256x256 xc:none -fill white -draw 'roundrectangle 4,4 251,251 46,46' "$TMP/tile_mask.png"
im -size 256x256 gradient:'#3a2010-#120a05' "$TMP/tile_grad.png"
# icon_tile MARK_LIGHT CROP OUT: dark tile + mark (cropped to CROP px around the centre, additive)
icon_tile() {
    im "$1" -gravity center -crop "$2x$2+0+0" +repage -resize 256x256 "$TMP/tile_mark.png"
    im "$TMP/tile_grad.png" "$TMP/tile_mark.png" -compose Plus -composite \
        \( "$TMP/tile_mask.png" -alpha extract \) -alpha off -compose CopyOpacity -composite \
        -depth 16 "$3"
}
icon_tile "$TMP/mark_light.png" 236 "$TMP/tile_big.png"
icon_tile "$TMP/mark_plain.png" 200 "$TMP/tile_mid.png"
icon_tile "$TMP/mark_plain.png" 170 "$TMP/tile_small.png"
im "$TMP/tile_big.png" -resize 48x48 -depth 8 "$TMP/ico48.png"
im "$TMP/tile_mid.png" -resize 32x32 -depth 8 "$TMP/ico32.png"
im "$TMP/tile_small.png" -resize 24x24 -depth 8 "$TMP/ico24.png"
im "$TMP/tile_small.png" -resize 16x16 -depth 8 "$TMP/ico16.png"
im "$TMP/ico48.png" "$TMP/ico32.png" "$TMP/ico24.png" "$TMP/ico16.png" -strip "ICO:assets/lumora.ico"

########################################################################
# 7. Installer artwork (24-bit BMP, as NSIS wants it): the side picture of
#    the welcome and finish pages (164x314: the mark over a warm dark
#    field of sparks, the name below it) and the header of the other pages
#    (150x57: mark and name on the same dark band as the dialog banner).
########################################################################
mkdir -p assets/installer
im -size 164x314 gradient:'#2a170b-#070403' "$TMP/wf_bg.png"
particle_field 164 314 70 4711 0.6 2.2 "255,180,80 255,215,140 255,130,40 255,240,200" "20,20,144,200" > "$TMP/wf_sparks.mvg"
im -size 164x314 xc:black -draw "$(cat "$TMP/wf_sparks.mvg")" -blur 0x0.7 "$TMP/wf_sparks.png"
im "$TMP/mark_light.png" -resize 132x132 "$TMP/wf_mark.png"
im -background black -fill white -font "$FONT_BOLD" -pointsize 30 label:Lumora -trim +repage "$TMP/wf_name_mask.png"
read -r nw nh < <(dims "$TMP/wf_name_mask.png")
im -size "${nw}x${nh}" gradient:'#fffaf0-#ffc25a' "$TMP/wf_name_mask.png" -compose Multiply -composite "$TMP/wf_name.png"
im -background none -fill '#d9c2a5' -font "$FONT" -pointsize 13 label:'Screen Saver' -trim +repage "$TMP/wf_sub.png"
read -r sw _ < <(dims "$TMP/wf_sub.png")
im -size 164x2 xc:black -fx 'px = i / w; 0.9 * exp(-pow((px - 0.5) / 0.3, 2))' \
    \( -size 164x2 xc:'#ff9a2e' \) -compose Multiply -composite "$TMP/wf_line.png"
im "$TMP/wf_bg.png" "$TMP/wf_sparks.png" -compose Plus -composite \
    "$TMP/wf_mark.png" -geometry +16+44 -compose Plus -composite \
    "$TMP/wf_name.png" -geometry "+$(( (164 - nw) / 2 ))+190" -compose Lighten -composite \
    "$TMP/wf_line.png" -geometry "+0+$(( 198 + nh ))" -compose Plus -composite \
    "$TMP/wf_sub.png" -geometry "+$(( (164 - sw) / 2 ))+$(( 208 + nh ))" -compose Over -composite \
    -alpha off "$TMP/welcome.png"
im "$TMP/welcome.png" -strip -depth 8 -type TrueColor "BMP3:assets/installer/welcome.bmp"

im -size 150x57 gradient:'#24140a-#0b0604' "$TMP/hd_bg.png"
im "$TMP/mark_light.png" -resize 57x57 "$TMP/hd_mark.png"
im -background black -fill white -font "$FONT_BOLD" -pointsize 20 label:Lumora -trim +repage "$TMP/hd_name_mask.png"
read -r nw nh < <(dims "$TMP/hd_name_mask.png")
im -size "${nw}x${nh}" gradient:'#fffaf0-#ffc25a' "$TMP/hd_name_mask.png" -compose Multiply -composite "$TMP/hd_name.png"
im "$TMP/hd_bg.png" "$TMP/hd_mark.png" -geometry +0+0 -compose Plus -composite \
    "$TMP/hd_name.png" -geometry "+58+$(( (57 - nh) / 2 ))" -compose Lighten -composite \
    -alpha off "$TMP/header.png"
im "$TMP/header.png" -strip -depth 8 -type TrueColor "BMP3:assets/installer/header.bmp"

echo "make_assets.sh: done"
